#include "operation/win/WinOperationUi.h"

#include <objbase.h>
#include <shlobj.h>

#include "common/Types.h"
#include "common/win/ErrorDlg.h"
#include "common/win/ShellUi.h"
#include "operation/Progress.h"
#include "operation/win/ExistingFilesDlg.h"
#include "operation/win/ProgressDlg.h"
#include "platform/last_error.h"
#include "platform/win32/dialog.h"
#include "platform/win32/message_box.h"
#include "search/win/SearchDlg.h"

namespace mendora::win {

namespace {

std::string& InitialSelection() {
  static std::string folder;
  return folder;
}

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

}  // namespace

void SetBrowseInitialSelection(const std::string& folder) { InitialSelection() = folder; }

int WinOperationUi::RunStep(ProgressStep& step) {
  CProgressDlg dialog(step);
  if (dialog.Run() == -1) {
    // The dialog could not run, so neither did the step (or it was stopped):
    // say why, and end the file without a second message.
    AppMessageBox(SystemErrorText(dialog.error()), MB_OK);
    return RC_CANCELLED;
  }
  return step.Result();
}

int WinOperationUi::SearchMissing(const std::string& avi_path, const std::string& avi_name,
                                  const std::vector<std::string>& missing, std::vector<std::string>& found,
                                  std::vector<int>& found_flags, const std::shared_ptr<const ReferenceFrames>& frames) {
  return RunSearchDialog(avi_path, avi_name, missing, found, found_flags, fs_, settings_, &memory_, frames);
}

void WinOperationUi::NoteNewFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) memory_.walk.NoteFile(path);
}

bool WinOperationUi::AskRetry(const std::string& text) {
  return AppMessageBox(text, MB_RETRYCANCEL) == IDRETRY;
}

bool WinOperationUi::AskRecover(const std::string& text) {
  return AppMessageBox(text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool WinOperationUi::BrowseFolder(const std::string& title, std::string* folder) {
  // The shell's browser needs COM on this thread.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  char display[MAX_PATH] = {};
  BROWSEINFOA info = {};
  info.hwndOwner = CurrentModalWindow();
  info.pszDisplayName = display;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  const std::string& initial = InitialSelection();
  if (!initial.empty()) {
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  }
  bool chosen = false;
  if (PIDLIST_ABSOLUTE items = SHBrowseForFolderA(&info)) {
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(items, path) && path[0] != '\0') {
      *folder = path;
      chosen = true;
    }
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
      allocator->Free(items);
      allocator->Release();
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

int WinOperationUi::AskOverwrite(const std::string& warning, const std::string& path, const std::string& question) {
  CExistingFilesDlg dialog(warning, path, question);
  const INT_PTR result = RunModal(dialog);
  return result == IDOK ? IDOK : IDCANCEL;
}

void WinOperationUi::ShowMessage(const std::string& text) { AppMessageBox(text, MB_OK); }

void WinOperationUi::ShowError(int code) { win::ShowError(code); }

}  // namespace mendora::win
