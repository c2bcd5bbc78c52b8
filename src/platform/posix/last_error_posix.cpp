#include <cerrno>
#include <cstring>
#include <string>

#include "platform/last_error.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {
thread_local uint32_t t_last_error = 0;

int ErrnoFor(uint32_t code) {
  switch (code) {
    case kErrorFileNotFound:
    case kErrorPathNotFound: return ENOENT;
    case kErrorTooManyOpenFiles: return EMFILE;
    case kErrorAccessDenied: return EACCES;
    case kErrorInvalidHandle: return EBADF;
    case kErrorNotEnoughMemory: return ENOMEM;
    case kErrorNotSameDevice: return EXDEV;
    case kErrorWriteFault:
    case kErrorReadFault: return EIO;
    case kErrorSharingViolation: return EBUSY;
    case kErrorNotSupported: return ENOTSUP;
    case kErrorFileExists:
    case kErrorAlreadyExists: return EEXIST;
    case kErrorInvalidParameter:
    case kErrorInvalidName: return EINVAL;
    case kErrorDiskFull: return ENOSPC;
    case kErrorDirNotEmpty: return ENOTEMPTY;
    case kErrorFilenameExcedRange: return ENAMETOOLONG;
    default: return 0;
  }
}
}  // namespace

uint32_t GetLastSystemError() { return t_last_error; }
void SetLastSystemError(uint32_t code) { t_last_error = code; }

std::string SystemErrorText(uint32_t code) {
  if (code == kErrorSuccess) return "Success.";
  if (code == kErrorHandleEof) return "Reached the end of the file.";
  if (code == kErrorNoMoreFiles) return "There are no more files.";
  const int err = ErrnoFor(code);
  if (err == 0) return "System error " + std::to_string(code) + ".";
  std::string text = std::strerror(err);
  return text + ".";
}

}  // namespace mendora
