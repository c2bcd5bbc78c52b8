#pragma once
// The search's questions on a console: candidates are printed with the
// program's texts and accepted by option or answered at a prompt; manual
// location takes the paths given on the command line, or asks.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "search/SearchUi.h"

namespace mendora {

struct ConsoleSearchOptions {
  // Accept the first candidate offered for each missing file, and the files
  // found through a folder mapping the search learned.
  bool accept_first = false;
  // Answers for manual location: a missing file (its recorded path, or just
  // its name) and where it is now. Each answer is used once, in order.
  std::vector<std::pair<std::string, std::string>> locate;
  // Questions left open are asked on `in`; otherwise (or once `in` has
  // ended) a candidate is passed over (Next) and a manual location given up.
  bool interactive = false;
  // Turns a path typed at the prompt into the program's form.
  std::function<std::string(const std::string&)> to_core_path;
};

// "CDE" (either case, in any order) as a drive mask. False for anything but
// drive letters.
bool ParseDriveLetters(const std::string& text, uint32_t* mask);

class ConsoleSearchUi : public SearchUi {
 public:
  ConsoleSearchUi(std::FILE* in, std::FILE* out, std::FILE* err, ConsoleSearchOptions options);

  FoundButton AskFound(const FoundChoice& dlg) override;
  bool ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) override;
  void ShowError(int code) override;
  void ShowMessage(const std::string& text) override;
  void ShowFolder(const std::string& folder) override { (void)folder; }
  bool AskUpdateOthers(const std::string& text,
                       const std::vector<std::pair<std::string, std::string>>& places) override;
  void ShowPassedOver(const std::string& candidate, const std::string& missing_link,
                      const std::string& reason) override;
  void ShowNotTheFrames(const std::string& text, const std::string& reason) override;

 private:
  // One line from `in`; false at its end.
  bool Ask(const std::string& prompt, std::string* answer);

  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
  ConsoleSearchOptions options_;
  std::vector<bool> used_;
  bool input_ended_ = false;
};

}  // namespace mendora
