// Code pages on Windows: the system's ANSI code page and its own tables.
#include <windows.h>

#include "platform/codepage.h"

namespace mendora {

namespace {

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool ToWide(int code_page, std::string_view in, std::wstring* out) {
  const int n = MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, in.data(),
                                    static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  out->assign(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                      out->data(), n);
  return true;
}

bool FromWide(int code_page, const std::wstring& in, std::string* out) {
  // WC_NO_BEST_FIT_CHARS: a character the page cannot hold fails instead of
  // becoming a look-alike (or '?'), which would name another file.
  BOOL lossy = FALSE;
  const DWORD flags = code_page == kCodePageUtf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used_default = code_page == kCodePageUtf8 ? nullptr : &lossy;
  const int n = WideCharToMultiByte(static_cast<UINT>(code_page), flags, in.data(), static_cast<int>(in.size()),
                                    nullptr, 0, nullptr, used_default);
  if (n <= 0 || lossy) return false;
  std::string result(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(static_cast<UINT>(code_page), flags, in.data(), static_cast<int>(in.size()), result.data(), n,
                      nullptr, nullptr);
  *out = std::move(result);
  return true;
}

bool Convert(int from, int to, std::string_view in, std::string* out) {
  if (IsAscii(in)) {
    out->assign(in);
    return true;
  }
  std::wstring wide;
  return ToWide(from, in, &wide) && FromWide(to, wide, out);
}

}  // namespace

bool IsSupportedCodePage(int code_page) { return IsValidCodePage(static_cast<UINT>(code_page)) != FALSE; }

int AnsiCodePage() { return static_cast<int>(GetACP()); }

void SetAnsiCodePage(int) {}

bool CodePageToUtf8(int code_page, std::string_view in, std::string* out) {
  return Convert(code_page, kCodePageUtf8, in, out);
}

bool Utf8ToCodePage(int code_page, std::string_view in, std::string* out) {
  return Convert(kCodePageUtf8, code_page, in, out);
}

bool IsLeadByte(int code_page, unsigned char byte) {
  return code_page != kCodePageUtf8 && IsDBCSLeadByteEx(static_cast<UINT>(code_page), byte) != FALSE;
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
  // The system's own table, the one its file systems and CompareStringOrdinal
  // fold names with.
  wchar_t units[2];
  int n = 1;
  if (c >= 0x10000) {
    units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    n = 2;
  } else {
    units[0] = static_cast<wchar_t>(c);
  }
  wchar_t upper[2];
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, units, n, upper, 2) != n) return c;
  if (n == 2) return 0x10000 + ((static_cast<char32_t>(upper[0]) - 0xD800) << 10) + (upper[1] - 0xDC00);
  return upper[0];
}

}  // namespace mendora
