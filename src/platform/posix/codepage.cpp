#include "platform/codepage.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <atomic>

#include "platform/ui_language.h"

namespace mendora {
namespace {

std::atomic<int> g_code_page{0};

const char* IconvName(int code_page) {
  switch (code_page) {
    case kCodePageWestern: return "CP1252";
    case kCodePageJapanese: return "CP932";
    case kCodePageUtf8: return "UTF-8";
    default: return nullptr;
  }
}

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// One descriptor per thread and direction, opened on first use: a walk
// over a folder of Japanese names converts each name without opening one.
class Converter {
 public:
  ~Converter() {
    if (cd_ != kNone) iconv_close(cd_);
  }
  bool Run(const char* to, const char* from, std::string_view in, std::string* out) {
    if (cd_ == kNone || to != to_ || from != from_) {
      if (cd_ != kNone) iconv_close(cd_);
      cd_ = iconv_open(to, from);
      to_ = to;
      from_ = from;
      if (cd_ == kNone) return false;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // a fresh state
    std::string result(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char* dst = result.data();
    size_t dst_left = result.size();
    // Every byte is at most a 4-byte UTF-8 sequence, and no page here takes
    // more bytes than UTF-8 for a character: one pass always has room.
    const size_t done = iconv(cd_, &src, &src_left, &dst, &dst_left);
    if (done == static_cast<size_t>(-1) || src_left != 0) return false;
    result.resize(result.size() - dst_left);
    *out = std::move(result);
    return true;
  }

 private:
  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_ = kNone;
  const char* to_ = nullptr;
  const char* from_ = nullptr;
};

bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
  thread_local Converter to_utf8, from_utf8;
  return (std::string_view(to) == "UTF-8" ? to_utf8 : from_utf8).Run(to, from, in, out);
}

}  // namespace

bool IsSupportedCodePage(int code_page) { return IconvName(code_page) != nullptr; }

int AnsiCodePage() {
  const int set = g_code_page.load();
  if (set != 0) return set;
  return UiLanguageIsJapanese() ? kCodePageJapanese : kCodePageWestern;
}

void SetAnsiCodePage(int code_page) {
  if (code_page == 0 || IsSupportedCodePage(code_page)) g_code_page = code_page;
}

bool CodePageToUtf8(int code_page, std::string_view in, std::string* out) {
  if (IsAscii(in) || code_page == kCodePageUtf8) {
    // UTF-8 names are taken as they are: the file system checks nothing more.
    out->assign(in);
    return true;
  }
  const char* name = IconvName(code_page);
  return name != nullptr && Convert("UTF-8", name, in, out);
}

bool Utf8ToCodePage(int code_page, std::string_view in, std::string* out) {
  if (IsAscii(in) || code_page == kCodePageUtf8) {
    out->assign(in);
    return true;
  }
  const char* name = IconvName(code_page);
  return name != nullptr && Convert(name, "UTF-8", in, out);
}

bool IsLeadByte(int code_page, unsigned char byte) {
  return code_page == kCodePageJapanese && ((byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC));
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
  // The C library's UTF-8 locale carries Unicode's simple case mapping
  // whatever the user's own locale is.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 == static_cast<locale_t>(nullptr)) return c;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), utf8));
}

}  // namespace mendora
