#include "platform/win32/message_box.h"

#include "platform/win32/dialog.h"
#include "platform/win_path.h"

namespace mendora::win {

std::string TitleFromModulePath(const std::string& module_path) {
  // The folder may hold CP932 names whose second byte is 0x5C.
  const WinPath paths;
  std::string name = paths.FileName(module_path);
  if (name.size() > 1 && name[1] == ':' && DriveIndex(name[0]) >= 0) name.erase(0, 2);  // "C:mendora.exe"
  const size_t dot = paths.MarkerPosition(name);
  if (dot > 0) name.resize(dot);
  return name;
}

std::string AppTitle() {
  char path[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return TitleFromModulePath(std::string(path, n));
}

UINT MessageBoxStyle(UINT type) {
  if ((type & MB_ICONMASK) != 0) return type;
  switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
    case MB_YESNO:
      return type | MB_ICONEXCLAMATION;
    default:
      return type;
  }
}

int AppMessageBox(const std::string& text, UINT type) {
  std::string title = AppTitle();
  HWND owner = CurrentModalWindow();
  if (owner == nullptr) owner = GetActiveWindow();
  return MessageBoxA(owner, text.c_str(), title.c_str(), MessageBoxStyle(type));
}

}  // namespace mendora::win
