#include <windows.h>

#include "platform/last_error.h"

namespace mendora {

uint32_t GetLastSystemError() { return GetLastError(); }
void SetLastSystemError(uint32_t code) { SetLastError(code); }

std::string SystemErrorText(uint32_t code) {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = (n != 0 && buffer != nullptr) ? std::string(buffer, n) : std::string();
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = "System error " + std::to_string(code) + ".";
  return text;
}

}  // namespace mendora
