#pragma once
// The error dialog: turns one of the program's error codes into a caption
// and a message from the string table.
#include <string>

#include "platform/win32/dialog.h"

namespace mendora::win {

class CErrorDlg : public Dialog {
 public:
  explicit CErrorDlg(HWND parent = nullptr);

  // Sets the caption and the message of `code` (unknown codes give the
  // general message under "Error").
  void SetError(int code);

  int code() const { return code_; }
  const std::string& caption() const { return caption_; }
  const std::string& message() const { return message_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;

 private:
  int code_ = 0;
  std::string caption_;
  std::string message_;
};

// Shows the error dialog for `code`: construct, SetError, DoModal.
void ShowError(int code);

}  // namespace mendora::win
