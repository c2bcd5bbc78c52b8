#include "common/Texts.h"
#include "platform/ui_language.h"

namespace mendora {

std::string LoadText(unsigned id) {
  const char* text = TableText(id, UiLanguageIsJapanese());
  return text != nullptr ? text : "";
}

}  // namespace mendora
