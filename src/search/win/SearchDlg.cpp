#include "search/win/SearchDlg.h"

#include "common/Types.h"
#include "common/win/ErrorDlg.h"
#include "common/win/ShellUi.h"
#include "platform/win32/message_box.h"
#include "resources/resource.h"
#include "search/win/FoundDlg.h"
#include "search/win/SpecifyDlg.h"

namespace mendora::win {

CSearchDlg::CSearchDlg(const std::string& avi_name, const std::vector<std::string>& missing_links,
                       std::vector<std::string>* found_paths, std::vector<int>* found_flags,
                       SearchServices services, RunMemory* memory, HWND parent)
    : Dialog(IDD_SEARCH, parent),
      services_(services),
      search_(avi_name, missing_links, found_paths, static_cast<int>(missing_links.size()), found_flags, services,
              *this),
      heading_(search_.heading()),
      folder_label_(search_.folder_label()) {
  search_.set_memory(memory);
}

void CSearchDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_SEARCH_MISSING, missing_list_);
  dx.Text(IDC_SEARCH_FOLDER, current_folder_);
  dx.Text(IDC_SEARCH_FOLDER_LABEL, folder_label_);
  dx.Text(IDC_SEARCH_HEADING, heading_);
}

bool CSearchDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  const HWND window = hwnd();
  // From the worker's thread: only a posted message, which wakes this window.
  search_.set_notify([window](SearchMessage::Kind kind) {
    PostMessageA(window, kind == SearchMessage::kFoundRecord ? WM_SEARCH_FOUND : WM_SEARCH_FOLDER, 0, 0);
  });
  search_.Begin();
  SetWindowTextA(window, search_.caption().c_str());
  if (search_.ended()) {
    // Every missing file was found through the run's folder mappings:
    // nothing to walk for, and the window is never shown.
    EndDialog(search_.result());
    return true;
  }
  SetTimer(window, kSearchTimer, 100, nullptr);
  return true;
}

bool CSearchDlg::OnCommand(int id, int notify_code, HWND control) {
  if (id == IDOK || id == IDCANCEL) {
    // Reference, or Cancel (also Escape and the close box).
    search_.Press(id);
    CloseWhenEnded();
    return true;
  }
  return Dialog::OnCommand(id, notify_code, control);
}

bool CSearchDlg::OnTimer(UINT_PTR timer_id) {
  if (timer_id != kSearchTimer) return false;
  search_.Tick();
  CloseWhenEnded();
  return true;
}

bool CSearchDlg::OnAppMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_SEARCH_FOUND && message != WM_SEARCH_FOLDER) return false;
  search_.HandlePending();
  CloseWhenEnded();
  return true;
}

void CSearchDlg::CloseWhenEnded() {
  if (!search_.ended() || hwnd() == nullptr) return;
  KillTimer(hwnd(), kSearchTimer);
  EndDialog(search_.result());
}

FoundButton CSearchDlg::AskFound(const FoundChoice& dlg) {
  CFoundDlg dialog(dlg);
  const INT_PTR result = RunModal(dialog);
  if (result == -1) return FoundButton::kCancel;
  return dialog.button();
}

bool CSearchDlg::ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) {
  CSpecifyLocDlg dialog(dlg);
  const INT_PTR result = dialog.DoModal();
  // The system dialog could not open: not a silent cancel.
  if (result == -1) win::ShowError(0);
  if (result != IDOK) return false;
  *path = dialog.chosen_path();
  *filter_index = dialog.chosen_filter();
  return true;
}

void CSearchDlg::ShowError(int code) { win::ShowError(code); }

void CSearchDlg::ShowMessage(const std::string& text) { AppMessageBox(text, MB_OK); }

void CSearchDlg::ShowFolder(const std::string& folder) {
  current_folder_ = folder;
  UpdateData(false);
}

bool CSearchDlg::AskUpdateOthers(const std::string& text, const std::vector<std::pair<std::string, std::string>>&) {
  return AppMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void CSearchDlg::ShowMissingList(const std::string& text) {
  missing_list_ = text;
  UpdateData(false);
}

int RunSearchDialog(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags, FileSystem& fs,
                    SettingsStore& settings, RunMemory* memory, std::shared_ptr<const ReferenceFrames> frames) {
  SearchServices services{fs, settings, MakeDvProbe(fs), MakeContentCheck(fs, avi_path, std::move(frames))};
  CSearchDlg dialog(avi_name, missing, &found, &found_flags, services, memory);
  const INT_PTR result = RunModal(dialog);
  if (result == IDCANCEL || result == -1) return IDCANCEL;
  return dialog.all_resolved();
}

}  // namespace mendora::win
