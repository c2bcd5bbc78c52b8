// The console layer on Windows: the system's own drives.
#include <fcntl.h>
#include <io.h>

#include "cli/commands.h"

namespace mendora::cli {

FileSystem* MakeFileSystem(const std::vector<std::string>& drives, int code_page, std::unique_ptr<FileSystem>*,
                           std::string* error) {
  if (!drives.empty()) {
    *error = "--drive is for POSIX systems; Windows has drive letters of its own";
    return nullptr;
  }
  if (code_page != 0) {
    *error = "--codepage is for POSIX systems; Windows uses its ANSI code page";
    return nullptr;
  }
  return &SystemFileSystem();
}

// The console shows the ANSI bytes as they are, as the program always has.
bool ArgumentsToCodePage(std::vector<std::string>*, std::string*) { return true; }
std::FILE* ConsoleOutput(std::FILE* stream) { return stream; }
std::FILE* ConsoleInput(std::FILE* stream) { return stream; }
void CloseConsoleStream(std::FILE*, std::FILE*) {}

std::string CorePath(FileSystem&, const std::string& argument) { return argument; }

void SetBinaryOutput(std::FILE* out) { _setmode(_fileno(out), _O_BINARY); }

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace mendora::cli
