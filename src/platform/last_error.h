#pragma once
// The calling thread's last system error, in Windows error codes on every
// platform (GetLastError/SetLastError on Win32; a thread-local value that the
// POSIX layer fills from errno elsewhere).
#include <cstdint>
#include <string>

namespace mendora {

uint32_t GetLastSystemError();
void SetLastSystemError(uint32_t code);

// The platform's own sentence for a system error code (FormatMessage with the
// user's default language on Win32, strerror on POSIX). Never empty.
std::string SystemErrorText(uint32_t code);

}  // namespace mendora
