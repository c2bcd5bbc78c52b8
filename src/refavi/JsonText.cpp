#include "refavi/JsonText.h"

#include <cstdio>

namespace mendora {

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string JsonPathMembers(const WinPath& paths, const std::string& recorded) {
  bool lossy = false;
  std::string json = "\"path\": " + JsonString(paths.ToUtf8(recorded, &lossy));
  if (lossy) json += ", \"path_bytes\": \"" + HexBytes(recorded) + "\"";
  return json;
}

}  // namespace mendora
