#include <windows.h>

#include "common/Texts.h"

namespace mendora {

// From the program's own string resources, in the thread's UI language and
// the ANSI code page, as the A functions of the dialogs want them.
std::string LoadText(unsigned id) {
  const WCHAR* wide = nullptr;
  const int length = LoadStringW(GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&wide), 0);
  if (length <= 0 || wide == nullptr) return "";
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, length, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace mendora
