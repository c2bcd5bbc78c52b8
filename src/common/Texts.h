#pragma once
// The program's texts by string id, in the user's language, and the %1/%2
// formatting of the framework (AfxFormatString1/2).
#include <string>

#include "common/StringIds.h"

namespace mendora {

// The text of string `id` in the user interface's language (LoadString on
// Windows, the built-in table elsewhere). Empty when there is none.
std::string LoadText(unsigned id);

// The built-in table: the text of `id` in English or Japanese, or nullptr.
const char* TableText(unsigned id, bool japanese);

// Every %1 in `format` replaced by `a1` (and every %2 by `a2`).
std::string FormatString1(const std::string& format, const std::string& a1);
std::string FormatString2(const std::string& format, const std::string& a1, const std::string& a2);

}  // namespace mendora
