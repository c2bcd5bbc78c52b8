// The console layer on Windows: the system's own drives.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>

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

bool RecordedToUtf8(std::string_view bytes, std::string* utf8) {
  if (bytes.empty()) {
    utf8->clear();
    return true;
  }
  const int size = static_cast<int>(bytes.size());
  const int wide_size = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (wide_size <= 0) return false;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), wide_size);
  const int utf8_size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (utf8_size <= 0) return false;
  std::string text(static_cast<size_t>(utf8_size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, text.data(), utf8_size, nullptr, nullptr);
  *utf8 = std::move(text);
  return true;
}

std::string CorePath(FileSystem&, const std::string& argument) { return argument; }

void SetBinaryOutput(std::FILE* out) { _setmode(_fileno(out), _O_BINARY); }

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace mendora::cli
