#pragma once
// The main dialog: Fix, Move, Copy, Preference and Check, each with a line
// of explanation, and the About box on the system menu.
#include <string>

#include "common/Types.h"
#include "platform/win32/dialog.h"

namespace mendora::win {

class CMainDlg : public Dialog {
 public:
  explicit CMainDlg(HWND parent = nullptr);

  // Where a system command opens the About box: the system uses the low
  // four bits of a command itself, so 16 to 31 all mean About.
  static bool IsAboutCommand(UINT command);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;
  bool OnSysCommand(UINT command, LPARAM lparam) override;
  bool OnPaint() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  // Fix, Move and Copy: the file selection dialog in `mode`.
  virtual void RunOperation(OperationMode mode);
  // Preference: the preference dialog.
  virtual void RunPreference();
  // Check: a folder's reference AVIs and the report window.
  virtual void RunCheck();

 private:
  std::string check_text_;       // IDS_CHECK_TEXT
  std::string copy_text_;        // IDS_COPY_TEXT
  std::string fix_text_;         // IDS_FIX_TEXT
  std::string move_text_;        // IDS_MOVE_TEXT
  std::string preference_text_;  // IDS_PREFERENCE_TEXT
  std::string welcome_text_;     // IDS_WELCOME
  HICON icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

}  // namespace mendora::win
