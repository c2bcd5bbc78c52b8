#include "operation/win/AviFileSelectDlg.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "app/ErrorTable.h"
#include "app/Texts.h"
#include "app/win32/ErrorDlg.h"
#include "app/win32/ShellUi.h"
#include "operation/Operation.h"
#include "operation/ProgramSteps.h"
#include "operation/win/WinOperationUi.h"
#include "platform/fs.h"
#include "platform/settings_store.h"
#include "platform/win32/dialog.h"
#include "refavi/DvFileProbe.h"

namespace mendora {

namespace {
constexpr unsigned IDS_SELECT_CAPTION = 201;
constexpr unsigned IDS_MODE_FIX = 202;
constexpr unsigned IDS_MODE_COPY = 203;
constexpr unsigned IDS_MODE_MOVE = 204;
constexpr int kSelectSettings = SETTING_DIRECTORY | SETTING_FILTER;

unsigned ModeWord(OperationMode mode) {
  switch (mode) {
    case Fix: return IDS_MODE_FIX;
    case Move: return IDS_MODE_MOVE;
    default: return IDS_MODE_COPY;
  }
}
}  // namespace

std::vector<std::string> ParseFileSelection(const char* buffer, size_t size, std::string* folder) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < size && buffer[i] != '\0') {
    size_t end = i;
    while (end < size && buffer[end] != '\0') ++end;
    if (end == size) break;  // not terminated inside the buffer: ignore the rest
    parts.emplace_back(buffer + i, end - i);
    i = end + 1;
  }
  std::vector<std::string> paths;
  folder->clear();
  if (parts.empty()) return paths;
  if (parts.size() == 1) {
    const size_t slash = parts[0].rfind('\\');
    if (slash != std::string::npos) *folder = parts[0].substr(0, slash + 1);
    paths.push_back(parts[0]);
    return paths;
  }
  *folder = parts[0];
  if (folder->back() != '\\') *folder += '\\';
  for (size_t k = 1; k < parts.size(); ++k) paths.push_back(*folder + parts[k]);
  return paths;
}

std::string SystemFilter(const std::string& filter) {
  std::string out = filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  // The system reads pairs until an empty name: make sure two NULs end it.
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

CAviFileSelectDlg::CAviFileSelectDlg(OperationMode mode, BOOL open_file, const char* default_ext,
                                     const char* file_name, DWORD flags, const char* filter, HWND parent)
    : mode_(mode),
      fs_(SystemFileSystem()),
      settings_(OpenUserSettingsStore()),
      messages_(std::make_unique<MessageBoxSink>()),
      common_(*settings_, fs_, messages_.get()),
      selection_(kSelectionSize, '\0') {
  (void)open_file;  // always an open dialog
  common_.LoadSettings(kSelectSettings, &initial_folder_, &filter_index_, nullptr, nullptr);
  if (file_name != nullptr) std::strncpy(selection_.data(), file_name, kSelectionSize - 1);
  caption_ = FormatString1(LoadText(IDS_SELECT_CAPTION), LoadText(ModeWord(mode)));
  if (!fs_.SetCurrentDir(initial_folder_)) initial_folder_ = "C:\\";
  if (filter != nullptr) filter_ = SystemFilter(filter);
  if (default_ext != nullptr) default_ext_ = default_ext;

  ofn_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn_.hwndOwner = parent;
  ofn_.hInstance = GetModuleHandleA(nullptr);
  ofn_.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
  ofn_.nFilterIndex = static_cast<DWORD>(filter_index_ <= 0 ? 1 : filter_index_);
  ofn_.lpstrFile = selection_.data();
  ofn_.nMaxFile = static_cast<DWORD>(kSelectionSize);
  ofn_.lpstrInitialDir = initial_folder_.c_str();
  ofn_.lpstrTitle = caption_.c_str();
  ofn_.lpstrDefExt = default_ext_.empty() ? nullptr : default_ext_.c_str();
  ofn_.Flags = (flags & ~static_cast<DWORD>(OFN_ENABLESIZING)) | OFN_EXPLORER | OFN_FILEMUSTEXIST |
               OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT |
               OFN_ENABLEHOOK;
  ofn_.lpfnHook = &CAviFileSelectDlg::HookProc;
  ofn_.lCustData = reinterpret_cast<LPARAM>(this);
}

CAviFileSelectDlg::~CAviFileSelectDlg() = default;

INT_PTR CAviFileSelectDlg::DoModal() {
  if (ofn_.hwndOwner == nullptr) ofn_.hwndOwner = win32::CurrentModalWindow();
  const BOOL chosen = GetOpenFileNameA(&ofn_);
  explorer_ = nullptr;
  return chosen ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CAviFileSelectDlg::HookProc(HWND hook, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lparam);
    SetWindowLongPtrA(hook, DWLP_USER, ofn->lCustData);
    return TRUE;
  }
  auto* self = reinterpret_cast<CAviFileSelectDlg*>(GetWindowLongPtrA(hook, DWLP_USER));
  if (self == nullptr || message != WM_NOTIFY) return FALSE;
  auto* notify = reinterpret_cast<OFNOTIFYA*>(lparam);
  if (notify->hdr.code != CDN_FILEOK) return FALSE;

  bool keep_open = true;
  try {
    self->explorer_ = GetParent(hook);
    // Dialogs opened from here (errors, progress, the operation's questions)
    // belong to the file dialog.
    win32::ModalWindowScope scope(self->explorer_);
    int filter = static_cast<int>(notify->lpOFN->nFilterIndex);
    const LRESULT shown = SendDlgItemMessageA(self->explorer_, cmb1, CB_GETCURSEL, 0, 0);
    if (shown != CB_ERR) filter = static_cast<int>(shown) + 1;
    keep_open = self->OnFileNameOK(notify->lpOFN->lpstrFile, notify->lpOFN->nMaxFile, filter);
  } catch (...) {
    // Nothing unwinds through the system's dialog; the dialog stays open.
    keep_open = true;
  }
  SetWindowLongPtrA(hook, DWLP_MSGRESULT, keep_open ? 1 : 0);
  return keep_open ? TRUE : FALSE;
}

bool CAviFileSelectDlg::OnFileNameOK(const char* selection, size_t size, int filter_index) {
  const int code = CollectSelection(selection, size, filter_index);
  if (code != RC_SELECT_OK) {
    ShowError(code);
    selected_.clear();
    return true;
  }
  common_.SaveSettings(kSelectSettings, initial_folder_, filter_index_, 0, 0);
  RunOperation();
  return false;
}

int CAviFileSelectDlg::CollectSelection(const char* selection, size_t size, int filter_index) {
  selected_.clear();
  if (selection == nullptr) return ERR_NO_SELECTION;
  std::string folder;
  std::vector<std::string> paths = ParseFileSelection(selection, size, &folder);
  if (paths.empty()) return ERR_NO_SELECTION;
  for (const std::string& path : paths) {
    const int status = ProbeDvFile(fs_, path);
    if (status != kDvProbeIsDv) {
      selected_.clear();
      return status;
    }
    selected_.push_back(path);
  }
  if (!folder.empty()) initial_folder_ = folder;
  filter_index_ = filter_index;
  return RC_SELECT_OK;
}

void CAviFileSelectDlg::RunOperation() {
  WinOperationUi ui(fs_, *settings_);
  ProgramSteps steps(fs_);
  COperation operation(selected_, fs_, *settings_, ui, steps);
  switch (mode_) {
    case Fix: operation.RunFix(); break;
    case Move: operation.RunMoveCopy(1); break;
    case Copy: operation.RunMoveCopy(0); break;
  }
}

}  // namespace mendora
