#pragma once
// Small pieces the program's dialogs share.
#include <string>

#include "common/CommonFunc.h"
#include "platform/win32/dialog.h"

namespace mendora::win {

// Runs `dialog` modally. A dialog that cannot run is not silent: the
// system's text for the reason is shown in a message box. Returns the
// dialog's result (-1 when it could not run).
INT_PTR RunModal(Dialog& dialog);

// ReportLastError's message box: the system's text, OK button only.
class MessageBoxSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override;
};

}  // namespace mendora::win
