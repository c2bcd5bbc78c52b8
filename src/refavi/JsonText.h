#pragma once
// Recorded paths in JSON reports (check --json, links --json). A path is
// bytes in the code page of recorded paths; a JSON document is UTF-8, on
// Windows too. A byte that the code page cannot map becomes U+FFFD, and the
// path then also gets "path_bytes", its recorded bytes in hexadecimal, so
// that nothing is lost.
#include <string>

#include "platform/win_path.h"

namespace mendora {

// `utf8` as a JSON string, quotes included (RFC 8259).
std::string JsonString(const std::string& utf8);

// The members "path": ... and, when the code page of `paths` could not show
// every byte, "path_bytes": ...
std::string JsonPathMembers(const WinPath& paths, const std::string& recorded);

}  // namespace mendora
