#include "platform/win32/message_box.h"

#include "platform/win32/dialog.h"

namespace mendora::win {

std::string TitleFromModulePath(const std::string& module_path) {
  size_t slash = module_path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? module_path : module_path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
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
