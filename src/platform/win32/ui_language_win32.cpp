#include <windows.h>

#include "platform/ui_language.h"

namespace mendora {

bool UiLanguageIsJapanese() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

}  // namespace mendora
