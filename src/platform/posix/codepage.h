#pragma once
// Code pages on POSIX. Reference AVI files record their paths as bytes in
// the ANSI code page of the Windows that wrote them; the program keeps them
// so, as Windows does, and converts at the edges: where a path becomes a
// native (UTF-8) name, and where text reaches the terminal.
#include <string>
#include <string_view>

namespace mendora {

constexpr int kCodePageWestern = 1252;
constexpr int kCodePageJapanese = 932;
constexpr int kCodePageUtf8 = 65001;

bool IsSupportedCodePage(int code_page);

// The process's ANSI code page: the one set last, else 932 for a Japanese
// user interface and 1252 otherwise.
int AnsiCodePage();
// Sets it (0 goes back to the default). Unsupported pages are ignored.
void SetAnsiCodePage(int code_page);

// Bytes of `code_page` to UTF-8, and back. False when the input cannot be
// converted (bytes not valid in the page, or a character it cannot hold);
// *out is then unchanged. ASCII passes without a conversion.
bool CodePageToUtf8(int code_page, std::string_view in, std::string* out);
bool Utf8ToCodePage(int code_page, std::string_view in, std::string* out);

}  // namespace mendora
