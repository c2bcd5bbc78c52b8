// The console layer on Windows: the system's own drives.
#include <fcntl.h>
#include <io.h>

#include "cli/commands.h"

namespace mendora::cli {

FileSystem* MakeFileSystem(const std::vector<std::string>& drives, std::unique_ptr<FileSystem>*,
                           std::string* error) {
  if (!drives.empty()) {
    *error = "--drive is for POSIX systems; Windows has drive letters of its own";
    return nullptr;
  }
  return &SystemFileSystem();
}

std::string CorePath(FileSystem&, const std::string& argument) { return argument; }

void SetBinaryOutput(std::FILE* out) { _setmode(_fileno(out), _O_BINARY); }

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace mendora::cli
