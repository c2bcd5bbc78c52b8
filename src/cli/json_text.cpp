#include "cli/json_text.h"

#include <cstdio>

namespace mendora::cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the UTF-8 sequence at the start of `text`, 0 when none.
size_t SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

// UTF-8 of `bytes`: the whole at once when it converts, else character by
// character, the shortest run of bytes that converts each time (no page
// here has characters of more than 4 bytes).
std::string ToValidUtf8(std::string_view bytes, const ToUtf8& to_utf8) {
  std::string whole;
  if (to_utf8(bytes, &whole) && IsUtf8(whole)) return whole;
  std::string text;
  size_t i = 0;
  while (i < bytes.size()) {
    size_t taken = 0;
    for (size_t length = 1; length <= 4 && i + length <= bytes.size() && taken == 0; ++length) {
      std::string one;
      if (to_utf8(bytes.substr(i, length), &one) && !one.empty() && IsUtf8(one)) {
        text += one;
        taken = length;
      }
    }
    if (taken == 0) {
      text += kReplacement;
      taken = 1;
    }
    i += taken;
  }
  return text;
}

}  // namespace

bool IsUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t length = SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

std::string JsonString(std::string_view bytes, const ToUtf8& to_utf8) {
  std::string out = "\"";
  for (const char c : ToValidUtf8(bytes, to_utf8)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace mendora::cli
