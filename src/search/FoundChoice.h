#pragma once
// The found similar file dialog without its window: offers one candidate
// for a missing data file. OK accepts it into the caller's found path; Next, Reference and
// Cancel end with IDCANCEL and are told apart by the continue and manual
// flags.
#include <string>

#include "search/SearchUi.h"

namespace mendora {

class FoundChoice {
 public:
  // `found_path` and `found_flag` belong to the caller and are written only
  // when the user accepts.
  FoundChoice(const std::string& missing_path, const std::string& candidate, std::string* found_path, int* found_flag);

  // Shows the dialog through `ui` and applies the button pressed.
  int DoModal(SearchUi& ui);
  // The button handlers; each returns the dialog's result.
  int Press(FoundButton button);

  const std::string& question_text() const { return question_; }  // IDS_FOUND_QUESTION
  const std::string& missing_text() const { return missing_text_; }  // IDS_FOUND_MISSING
  const std::string& similar_text() const { return similar_text_; }  // IDS_FOUND_SIMILAR
  const std::string& candidate() const { return candidate_; }

  int continue_flag() const { return continue_flag_; }
  int manual_flag() const { return manual_flag_; }

 private:
  std::string candidate_;
  std::string* found_path_;
  int* found_flag_;
  std::string question_;
  std::string missing_text_;
  std::string similar_text_;
  int continue_flag_ = 1;
  int manual_flag_ = 0;
};

}  // namespace mendora
