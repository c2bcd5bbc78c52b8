#include "search/ManualLocate.h"

#include "common/CommonFunc.h"
#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "common/Types.h"
#include "platform/fs.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"

namespace mendora {

namespace {
constexpr int kSpecifySettings = SETTING_DIRECTORY | SETTING_FILTER;
}  // namespace

ManualLocate::ManualLocate(const std::string& avi_name, const std::string& missing_name, std::string* found_path,
                               int* found_flag, SearchServices services)
    : services_(std::move(services)),
      avi_name_(avi_name),
      missing_name_(missing_name),
      found_path_(found_path),
      found_flag_(found_flag),
      title_(FormatString1(LoadText(IDS_SPECIFY_TITLE), avi_name)),
      prompt_(LoadText(IDS_SPECIFY_PROMPT)) {
  CommonFunc settings(services_.settings, services_.fs);
  settings.LoadSettings(kSpecifySettings, &initial_folder_, &filter_index_, nullptr, nullptr);
  // The stored folder ends with a backslash, so the name follows directly.
  if (HoldsDvFile(initial_folder_ + missing_name_)) file_name_ = missing_name_;
}

bool ManualLocate::HoldsDvFile(const std::string& path) {
  return services_.fs.Exists(path) && services_.probe && services_.probe(path) == 0;
}

int ManualLocate::DoModal(SearchUi& ui) {
  std::string path;
  int filter = filter_index_;
  while (ui.ChooseFile(*this, &path, &filter)) {
    // A window checks the choice in its own OK handler: what it accepted is
    // not probed and saved a second time.
    if ((accepted_ && path == *found_path_) || OnFileNameOK(path, filter)) return IDOK;
    if (status_ == kNotTheFrames) ui.ShowNotTheFrames(not_the_frames_, refusal_reason_);
    else ui.ShowError(status_);
  }
  return IDCANCEL;
}

std::string ManualLocate::OnFolderChange(const std::string& shown_folder) {
  const std::string test = WinPath().Join(shown_folder, missing_name_);
  return HoldsDvFile(test) ? missing_name_ : std::string(kAviPattern);
}

bool ManualLocate::OnFileNameOK(const std::string& chosen_path, int filter_index) {
  // The found-path buffer holds 259 characters; the system cannot open a
  // longer path through the ANSI functions either.
  if (chosen_path.size() >= static_cast<size_t>(kMaxPath)) {
    status_ = ERR_DV_OPEN_FAILED;
    return false;
  }
  status_ = services_.probe ? services_.probe(chosen_path) : ERR_DV_OPEN_FAILED;
  if (status_ != 0) return false;
  // A DV file of the right name may still be another capture.
  if (services_.check && !missing_link_.empty()) {
    const CandidateVerdict verdict = services_.check(missing_link_, chosen_path);
    if (!verdict.ok()) {
      status_ = kNotTheFrames;
      not_the_frames_ = FormatString1(LoadText(IDS_NOT_THE_FRAMES), chosen_path);
      refusal_reason_ = verdict.reason;
      return false;
    }
  }

  *found_path_ = chosen_path;
  *found_flag_ = 1;
  accepted_ = true;
  filter_index_ = filter_index;
  CommonFunc settings(services_.settings, services_.fs);
  const std::string folder = WinPath().Folder(chosen_path);
  if (!folder.empty()) {
    initial_folder_ = folder;
    settings.SaveSettings(kSpecifySettings, initial_folder_, filter_index_, 0, 0);
  } else {
    settings.SaveSettings(SETTING_FILTER, std::string(), filter_index_, 0, 0);
  }
  return true;
}

}  // namespace mendora
