#include "common/win/ShellUi.h"

#include "platform/last_error.h"
#include "platform/win32/message_box.h"

namespace mendora::win {

INT_PTR RunModal(Dialog& dialog) {
  INT_PTR result = dialog.DoModal();
  if (result == -1) {
    DWORD error = dialog.error();
    AppMessageBox(SystemErrorText(error), MB_OK);
    SetLastError(error);
  }
  return result;
}

void MessageBoxSink::ShowMessage(const std::string& text) { AppMessageBox(text, MB_OK); }

}  // namespace mendora::win
