#include "search/FoundChoice.h"

#include "common/Texts.h"
#include "common/Types.h"
#include "platform/wintypes.h"

namespace mendora {

FoundChoice::FoundChoice(const std::string& missing_path, const std::string& candidate, std::string* found_path,
                     int* found_flag)
    : candidate_(candidate),
      found_path_(found_path),
      found_flag_(found_flag),
      question_(LoadText(IDS_FOUND_QUESTION)),
      missing_text_(FormatString1(LoadText(IDS_FOUND_MISSING), missing_path)),
      similar_text_(FormatString1(LoadText(IDS_FOUND_SIMILAR), candidate)) {}

int FoundChoice::DoModal(SearchUi& ui) { return Press(ui.AskFound(*this)); }

int FoundChoice::Press(FoundButton button) {
  switch (button) {
    case FoundButton::kOk:
      // The caller's buffer holds 259 characters; a longer path is never
      // offered, and would be refused here rather than cut.
      if (candidate_.size() >= static_cast<size_t>(kMaxPath)) return IDCANCEL;
      *found_path_ = candidate_;
      *found_flag_ = 1;
      return IDOK;
    case FoundButton::kNext:
      return IDCANCEL;
    case FoundButton::kReference:
      manual_flag_ = 1;
      return IDCANCEL;
    case FoundButton::kCancel:
      continue_flag_ = 0;
      return IDCANCEL;
  }
  return IDCANCEL;
}

}  // namespace mendora
