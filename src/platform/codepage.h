#pragma once
// Code pages. Reference AVI files record their paths as bytes in the ANSI
// code page of the Windows that wrote them; the program keeps them so, as
// Windows does, and converts at the edges: where a path becomes a native
// (UTF-8) name on POSIX, where text reaches a terminal or a report, and
// where two names are compared as Windows compares them.
//
// posix/codepage.cpp converts with iconv; win32/codepage_win32.cpp with the
// system's own tables.
#include <string>
#include <string_view>

namespace mendora {

constexpr int kCodePageWestern = 1252;
constexpr int kCodePageJapanese = 932;
constexpr int kCodePageUtf8 = 65001;

bool IsSupportedCodePage(int code_page);

// The code page of recorded paths. On POSIX: the one set last, else 932 for
// a Japanese user interface and 1252 otherwise. On Windows: the system's
// ANSI code page.
int AnsiCodePage();
// Sets it on POSIX (0 goes back to the default); unsupported pages are
// ignored. Windows has one ANSI code page per system, and ignores this.
void SetAnsiCodePage(int code_page);

// Bytes of `code_page` to UTF-8, and back. False when the input cannot be
// converted (bytes not valid in the page, or a character it cannot hold);
// *out is then unchanged. ASCII passes without a conversion.
bool CodePageToUtf8(int code_page, std::string_view in, std::string* out);
bool Utf8ToCodePage(int code_page, std::string_view in, std::string* out);

// True when `byte` begins a two-byte character of `code_page` (CP932: 0x81 to
// 0x9F and 0xE0 to 0xFC). Its second byte may be any byte from 0x40 up,
// the backslash 0x5C included.
bool IsLeadByte(int code_page, unsigned char byte);

// The simple upper-case mapping of one character, as the file systems of
// Windows fold names: 'a' to 'A', 'é' to 'É', 'ａ' to 'Ａ'; no character becomes
// two ('ß' stays).
char32_t UpperCase(char32_t c);

}  // namespace mendora
