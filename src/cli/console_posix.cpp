// The console layer on POSIX: drives from the user's map and --drive; the
// code page of recorded paths, and the terminal's UTF-8 converted to and
// from it.
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>

#include "cli/commands.h"
#include "platform/drive_map.h"
#include "platform/posix/codepage.h"
#include "platform/posix/fs_posix.h"

namespace mendora::cli {

namespace {

// The bytes at the end of `text` that begin a character the text does not
// finish (a lead byte of CP932 without its second byte).
size_t UnfinishedTail(int code_page, const std::string& text) {
  if (code_page != kCodePageJapanese) return 0;
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (lead && i + 1 == text.size()) return 1;
    i += lead ? 2 : 1;
  }
  return 0;
}

// A stream over another: what is written in the code page reaches it as
// UTF-8; what is read from it as UTF-8 comes out in the code page, a line at
// a time. Bytes that are no text of their encoding pass unchanged.
struct Converter {
  std::FILE* stream;
  int code_page;
  std::string pending;  // written, not yet passed on; or read, not yet taken
};

ssize_t WriteConverted(void* cookie, const char* data, size_t size) {
  auto* c = static_cast<Converter*>(cookie);
  c->pending.append(data, size);
  const size_t keep = UnfinishedTail(c->code_page, c->pending);
  const std::string text = c->pending.substr(0, c->pending.size() - keep);
  c->pending.erase(0, text.size());
  std::string shown;
  if (!CodePageToUtf8(c->code_page, text, &shown)) shown = text;
  if (std::fwrite(shown.data(), 1, shown.size(), c->stream) != shown.size()) return -1;
  return static_cast<ssize_t>(size);
}

ssize_t ReadConverted(void* cookie, char* data, size_t size) {
  auto* c = static_cast<Converter*>(cookie);
  if (c->pending.empty()) {
    std::string line;
    int ch = EOF;
    while ((ch = std::fgetc(c->stream)) != EOF) {
      line.push_back(static_cast<char>(ch));
      if (ch == '\n') break;
    }
    if (!Utf8ToCodePage(c->code_page, line, &c->pending)) c->pending = line;
  }
  const size_t n = std::min(size, c->pending.size());
  std::memcpy(data, c->pending.data(), n);
  c->pending.erase(0, n);
  return static_cast<ssize_t>(n);
}

int CloseConverter(void* cookie) {
  auto* c = static_cast<Converter*>(cookie);
  if (!c->pending.empty() && c->stream != stdin) std::fwrite(c->pending.data(), 1, c->pending.size(), c->stream);
  if (c->stream != stdin) std::fflush(c->stream);
  delete c;
  return 0;
}

std::FILE* Converting(std::FILE* stream, const char* mode) {
  const int code_page = AnsiCodePage();
  if (stream == nullptr || code_page == kCodePageUtf8) return stream;
  cookie_io_functions_t functions{};
  if (mode[0] == 'w') {
    functions.write = WriteConverted;
  } else {
    functions.read = ReadConverted;
  }
  functions.close = CloseConverter;
  auto* converter = new Converter{stream, code_page, {}};
  std::FILE* converting = fopencookie(converter, mode, functions);
  if (converting == nullptr) {
    delete converter;
    return stream;
  }
  // Written text reaches the terminal at once, prompts included.
  std::setvbuf(converting, nullptr, _IONBF, 0);
  return converting;
}

}  // namespace

FileSystem* MakeFileSystem(const std::vector<std::string>& drives, int code_page,
                           std::unique_ptr<FileSystem>* owner, std::string* error) {
  DriveMap map = DriveMap::FromEnvironment();
  for (const std::string& drive : drives) {
    DriveMap one;
    if (drive.size() < 3 || drive[1] != '=' || one.Parse(drive) != 1) {
      *error = "--drive wants X=DIR, not \"" + drive + "\"";
      return nullptr;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(drive.substr(2), ec);
    map.Set(drive[0], ec ? drive.substr(2) : folder.lexically_normal().string());
  }
  if (code_page != 0) {
    if (!IsSupportedCodePage(code_page)) {
      *error = "--codepage wants 1252, 932 or 65001";
      return nullptr;
    }
    map.set_code_page(code_page);
  }
  // The program's texts follow the same page; without a setting, the
  // default of the user interface's language.
  SetAnsiCodePage(map.explicit_code_page());
  *owner = std::make_unique<PosixFileSystem>(map);
  return owner->get();
}

bool ArgumentsToCodePage(std::vector<std::string>* arguments, std::string* error) {
  const int code_page = AnsiCodePage();
  for (std::string& argument : *arguments) {
    std::string recorded;
    if (!Utf8ToCodePage(code_page, argument, &recorded)) {
      *error = "\"" + argument + "\" cannot be written in code page " + std::to_string(code_page) +
               ", the code page of recorded paths; nothing was changed";
      return false;
    }
    argument = std::move(recorded);
  }
  return true;
}

bool RecordedToUtf8(std::string_view bytes, std::string* utf8) {
  return CodePageToUtf8(AnsiCodePage(), bytes, utf8);
}

std::string CorePath(FileSystem& fs, const std::string& argument) {
  const bool windows_form = argument.size() >= 2 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
                            argument[1] == ':';
  if (windows_form) return argument;
  // A native path: back to the file system's UTF-8, then through the drive
  // that holds it.
  std::string native;
  if (!CodePageToUtf8(AnsiCodePage(), argument, &native)) return argument;
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(native, ec);
  if (ec) return argument;
  const auto windows = static_cast<PosixFileSystem&>(fs).drive_map().ToWindows(absolute.lexically_normal().string());
  return windows ? *windows : argument;
}

std::FILE* ConsoleOutput(std::FILE* stream) { return Converting(stream, "w"); }
std::FILE* ConsoleInput(std::FILE* stream) { return Converting(stream, "r"); }

void CloseConsoleStream(std::FILE* console, std::FILE* stream) {
  if (console != stream) std::fclose(console);
}

void SetBinaryOutput(std::FILE*) {}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace mendora::cli
