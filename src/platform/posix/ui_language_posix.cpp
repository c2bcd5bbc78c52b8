#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "platform/ui_language.h"

namespace mendora {

bool UiLanguageIsJapanese() {
  // The first variable that is set decides, as for LC_MESSAGES.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

}  // namespace mendora
