#pragma once
// The version box opened from the main dialog's system menu.
#include <string>

#include "platform/win32/dialog.h"

namespace mendora {

class CAboutDlg : public win32::Dialog {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  void DoDataExchange(win32::DataExchange& dx) override;
  bool OnInitDialog() override;

 private:
  std::string version_;  // string 23
  std::string notice_;   // string 22
};

}  // namespace mendora
