#include "app/win32/ShellUi.h"

#include "platform/last_error.h"
#include "platform/win32/message_box.h"

namespace mendora {

INT_PTR RunModal(win32::Dialog& dialog) {
  INT_PTR result = dialog.DoModal();
  if (result == -1) {
    DWORD error = dialog.error();
    win32::AppMessageBox(SystemErrorText(error), MB_OK);
    SetLastError(error);
  }
  return result;
}

void MessageBoxSink::ShowMessage(const std::string& text) { win32::AppMessageBox(text, MB_OK); }

}  // namespace mendora
