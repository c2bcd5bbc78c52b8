#pragma once
// The version box opened from the main dialog's system menu.
#include <string>

#include "platform/win32/dialog.h"

namespace mendora::win {

class CAboutDlg : public Dialog {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;

 private:
  std::string version_;  // IDS_ABOUT_VERSION
  std::string notice_;   // IDS_ABOUT_NOTICE
};

}  // namespace mendora::win
