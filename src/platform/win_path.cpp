#include "platform/win_path.h"

namespace mendora {

namespace {

constexpr char kSeparator = '\\';
// Windows takes '/' for a backslash too; neither is ever the second byte of
// a CP932 character, but only '\\' can be one.
bool IsSeparator(char c) { return c == kSeparator || c == '/'; }
// Code points past Unicode's last one: a byte that is no character of its
// code page keeps its own value in a key, and equals no real character.
constexpr char32_t kUnmappedByte = 0x110000;

bool IsAscii(std::string_view text) {
  for (const char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Decodes one UTF-8 character at `i`; false for a byte that begins none.
bool DecodeUtf8(std::string_view s, size_t* i, char32_t* out) {
  const auto b0 = static_cast<unsigned char>(s[*i]);
  size_t n = 0;
  char32_t c = 0;
  if (b0 < 0x80) {
    *out = b0;
    ++*i;
    return true;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 1;
    c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 2;
    c = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 3;
    c = b0 & 0x07;
  } else {
    return false;
  }
  if (*i + n >= s.size()) return false;
  for (size_t k = 1; k <= n; ++k) {
    const auto b = static_cast<unsigned char>(s[*i + k]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are no characters.
  if ((n == 2 && c < 0x800) || (n == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
    return false;
  *out = c;
  *i += n + 1;
  return true;
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (c >> 18));
    *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

constexpr char32_t kReplacement = 0xFFFD;

// Each character of UTF-8 text to `emit`; a byte that begins none as
// kUnmappedByte plus its value.
template <typename Emit>
void EachUtf8(std::string_view text, Emit emit) {
  size_t i = 0;
  while (i < text.size()) {
    char32_t c = 0;
    if (DecodeUtf8(text, &i, &c)) {
      emit(c);
    } else {
      emit(kUnmappedByte + static_cast<unsigned char>(text[i]));
      ++i;
    }
  }
}

}  // namespace

size_t WinPath::CharLength(std::string_view text, size_t i) const {
  return i + 1 < text.size() && IsLeadByte(code_page_, static_cast<unsigned char>(text[i])) ? 2 : 1;
}

size_t WinPath::LastSeparator(std::string_view path) const {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i))
    if (IsSeparator(path[i])) last = i;
  return last;
}

bool WinPath::EndsWithSeparator(std::string_view path) const {
  return !path.empty() && LastSeparator(path) == path.size() - 1;
}

bool WinPath::Split(std::string_view path, std::string* folder, std::string* name) const {
  const size_t slash = LastSeparator(path);
  if (slash == std::string_view::npos) return false;
  if (folder != nullptr) folder->assign(path.substr(0, slash + 1));
  if (name != nullptr) name->assign(path.substr(slash + 1));
  return true;
}

std::string WinPath::FileName(std::string_view path) const {
  const size_t slash = LastSeparator(path);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string WinPath::Folder(std::string_view path) const {
  const size_t slash = LastSeparator(path);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string WinPath::Join(std::string_view folder, std::string_view name) const {
  std::string joined(folder);
  if (!EndsWithSeparator(folder)) joined += kSeparator;
  joined += name;
  return joined;
}

std::string WinPath::WithoutSeparator(std::string_view path) const {
  if (!EndsWithSeparator(path)) return std::string(path);
  if (path.size() == 3 && path[1] == ':') return std::string(path);
  return std::string(path.substr(0, path.size() - 1));
}

std::string WinPath::Parent(std::string_view folder) const {
  std::string_view bare = folder;
  if (EndsWithSeparator(bare)) bare.remove_suffix(1);
  const size_t slash = LastSeparator(bare);
  return slash == std::string_view::npos ? std::string() : std::string(bare.substr(0, slash + 1));
}

std::string WinPath::Extension(std::string_view path) const {
  const size_t at = MarkerPosition(path);
  return std::string(path.substr(at));
}

size_t WinPath::MarkerPosition(std::string_view path) const {
  const size_t slash = LastSeparator(path);
  const size_t start = slash == std::string_view::npos ? 0 : slash + 1;
  size_t dot = std::string_view::npos;
  for (size_t i = start; i < path.size(); i += CharLength(path, i))
    if (path[i] == '.') dot = i;
  return dot == std::string_view::npos ? path.size() : dot;
}

std::u32string WinPath::Key(std::string_view path) const {
  std::u32string key;
  key.reserve(path.size());
  if (IsAscii(path)) {
    for (const char c : path) key += UpperCase(static_cast<unsigned char>(c));
    return key;
  }
  const auto emit = [&key](char32_t c) { key += c < kUnmappedByte ? UpperCase(c) : c; };
  std::string utf8;
  if (code_page_ == kCodePageUtf8 || CodePageToUtf8(code_page_, path, &utf8)) {
    EachUtf8(code_page_ == kCodePageUtf8 ? path : std::string_view(utf8), emit);
    return key;
  }
  // Some character does not convert: the others still fold, one by one.
  for (size_t i = 0; i < path.size();) {
    const size_t n = CharLength(path, i);
    if (CodePageToUtf8(code_page_, path.substr(i, n), &utf8)) {
      EachUtf8(utf8, emit);
    } else {
      for (size_t k = 0; k < n; ++k) key += kUnmappedByte + static_cast<unsigned char>(path[i + k]);
    }
    i += n;
  }
  return key;
}

bool WinPath::Same(std::string_view a, std::string_view b) const {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (UpperCase(static_cast<unsigned char>(a[i])) != UpperCase(static_cast<unsigned char>(b[i]))) return false;
    return true;
  }
  return Key(a) == Key(b);
}

std::optional<size_t> WinPath::Under(std::string_view path, std::string_view folder) const {
  std::string_view bare = folder;
  if (EndsWithSeparator(bare)) bare.remove_suffix(1);
  if (bare.empty()) return std::nullopt;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i))
    if (IsSeparator(path[i]) && Same(path.substr(0, i), bare)) return i + 1;
  return std::nullopt;
}

std::string WinPath::ToUtf8(std::string_view path, bool* lossy) const {
  std::string utf8;
  bool replaced = false;
  const auto emit = [&](char32_t c) {
    if (c >= kUnmappedByte) {
      c = kReplacement;
      replaced = true;
    }
    AppendUtf8(c, &utf8);
  };
  if (code_page_ == kCodePageUtf8) {
    EachUtf8(path, emit);
  } else if (!CodePageToUtf8(code_page_, path, &utf8)) {
    utf8.clear();
    std::string one;
    for (size_t i = 0; i < path.size();) {
      const size_t n = CharLength(path, i);
      if (CodePageToUtf8(code_page_, path.substr(i, n), &one)) {
        utf8 += one;
      } else {
        emit(kUnmappedByte);
      }
      i += n;
    }
  }
  if (lossy != nullptr) *lossy = replaced;
  return utf8;
}

std::string HexBytes(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

}  // namespace mendora
