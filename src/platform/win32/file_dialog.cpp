#include "platform/win32/file_dialog.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/dialog.h"
#include "platform/win_path.h"

namespace mendora::win {

std::string FilterFromBars(const std::string& filter) {
  std::string out = filter;
  std::replace(out.begin(), out.end(), '|', '\0');
  // Always two NULs at the end, however the text ended.
  while (out.size() < 2 || out[out.size() - 1] != '\0' || out[out.size() - 2] != '\0') out.push_back('\0');
  return out;
}

std::vector<std::string> SplitSelection(const char* buffer, size_t size) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < size && buffer[i] != '\0') {
    size_t end = i;
    while (end < size && buffer[end] != '\0') ++end;
    if (end == size) break;  // not terminated inside the buffer: ignore it
    parts.emplace_back(buffer + i, end - i);
    i = end + 1;
  }
  if (parts.size() <= 1) return parts;
  // The folder may end with a CP932 character whose second byte is 0x5C.
  const WinPath windows_paths;
  std::vector<std::string> paths;
  for (size_t k = 1; k < parts.size(); ++k) paths.push_back(windows_paths.Join(parts.front(), parts[k]));
  return paths;
}

FileDialog::FileDialog(bool open, const std::string& default_ext, const std::string& file_name, DWORD flags,
                       const std::string& filter, HWND parent)
    : open_(open), default_ext_(default_ext), filter_(FilterFromBars(filter)) {
  SetBufferSize(MAX_PATH);
  std::strncpy(buffer_.data(), file_name.c_str(), buffer_.size() - 1);
  ofn_.lStructSize = sizeof(ofn_);
  ofn_.hwndOwner = parent;
  ofn_.hInstance = ResourceModule();
  ofn_.lpstrFilter = filter.empty() ? nullptr : filter_.c_str();
  ofn_.nFilterIndex = 1;
  ofn_.lpstrDefExt = default_ext_.empty() ? nullptr : default_ext_.c_str();
  ofn_.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
}

void FileDialog::SetChildTemplate(UINT id) {
  ofn_.Flags |= OFN_ENABLETEMPLATE;
  ofn_.hInstance = ResourceModule();
  ofn_.lpTemplateName = MAKEINTRESOURCEA(id);
}

void FileDialog::SetBufferSize(size_t chars) {
  std::vector<char> bigger(std::max<size_t>(chars, 2), '\0');
  if (!buffer_.empty()) std::strncpy(bigger.data(), buffer_.data(), bigger.size() - 1);
  buffer_ = std::move(bigger);
}

std::vector<std::string> FileDialog::Paths() const { return SplitSelection(buffer_.data(), buffer_.size()); }

INT_PTR FileDialog::DoModal() {
  error_ = 0;
  buffer_.back() = '\0';
  ofn_.lpstrFile = buffer_.data();
  ofn_.nMaxFile = static_cast<DWORD>(buffer_.size());
  ofn_.lpfnHook = &FileDialog::Hook;
  ofn_.lCustData = reinterpret_cast<LPARAM>(this);
  ofn_.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
  // Owned by the program's innermost dialog when no owner is given.
  HWND owner_given = ofn_.hwndOwner;
  if (ofn_.hwndOwner == nullptr) ofn_.hwndOwner = CurrentModalWindow();
  BOOL ok = open_ ? GetOpenFileNameA(&ofn_) : GetSaveFileNameA(&ofn_);
  ofn_.hwndOwner = owner_given;
  child_ = nullptr;
  if (error_ != 0) return -1;  // a handler failed
  if (ok) return IDOK;
  error_ = CommDlgExtendedError();
  return error_ == 0 ? IDCANCEL : -1;
}

bool FileDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

UINT_PTR FileDialog::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) return OnInitDialog() ? TRUE : FALSE;
  if (message == WM_NOTIFY) {
    auto* notify = reinterpret_cast<OFNOTIFYA*>(lparam);
    switch (notify->hdr.code) {
      case CDN_INITDONE:
        OnInitDone();
        return 0;
      case CDN_SELCHANGE:
        OnSelChange();
        return 0;
      case CDN_FOLDERCHANGE:
        OnFolderChange();
        return 0;
      case CDN_FILEOK: {
        // Non-zero in DWLP_MSGRESULT keeps the dialog open.
        bool accept = OnFileNameOk();
        SetWindowLongPtrA(child_, DWLP_MSGRESULT, accept ? 0 : 1);
        return TRUE;
      }
      default:
        break;
    }
  }
  LRESULT result = 0;
  if (!OnMessage(message, wparam, lparam, &result)) return FALSE;
  SetWindowLongPtrA(child_, DWLP_MSGRESULT, result);
  return TRUE;
}

UINT_PTR CALLBACK FileDialog::Hook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  FileDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lparam);
    self = ofn != nullptr ? reinterpret_cast<FileDialog*>(ofn->lCustData) : nullptr;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self != nullptr) self->child_ = hwnd;
  } else {
    self = reinterpret_cast<FileDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  if (self == nullptr) return 0;
  UINT_PTR result = 0;
  try {
    result = self->Dispatch(message, wparam, lparam);
  } catch (...) {
    // As in Dialog: nothing unwinds through the system; the dialog closes
    // and DoModal reports the failure.
    self->error_ = Dialog::kHandlerFailed;
    PostMessageA(GetParent(hwnd), WM_COMMAND, IDCANCEL, 0);
    result = 0;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->child_ = nullptr;
  }
  return result;
}

}  // namespace mendora::win
