#include "common/Texts.h"
#include "platform/codepage.h"
#include "platform/ui_language.h"

namespace mendora {

// The texts in the ANSI code page, as LoadString gives them on Windows, so
// that a message and the recorded path in it are one encoding. A Japanese
// text that the code page cannot hold is shown in English.
std::string LoadText(unsigned id) {
  const int code_page = AnsiCodePage();
  for (const bool japanese : {UiLanguageIsJapanese(), false}) {
    const char* text = TableText(id, japanese);
    if (text == nullptr) continue;
    std::string converted;
    if (Utf8ToCodePage(code_page, text, &converted)) return converted;
  }
  return "";
}

}  // namespace mendora
