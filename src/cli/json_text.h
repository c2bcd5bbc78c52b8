#pragma once
// Recorded paths in JSON documents. A path is bytes in the code page of
// recorded paths; a JSON document is UTF-8. A byte that begins no character
// of the page (a damaged or foreign path) becomes U+FFFD, so that the
// document stays valid and the rest of the path readable.
#include <functional>
#include <string>
#include <string_view>

namespace mendora::cli {

// Converts recorded bytes to UTF-8; false when they are no text of the page.
using ToUtf8 = std::function<bool(std::string_view bytes, std::string* utf8)>;

// `bytes` as a JSON string, quotes included.
std::string JsonString(std::string_view bytes, const ToUtf8& to_utf8);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsUtf8(std::string_view text);

}  // namespace mendora::cli
