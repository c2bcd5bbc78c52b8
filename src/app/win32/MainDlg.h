#pragma once
// The main dialog: Fix, Move, Copy, Preference, Check and Export, each with
// a line of explanation, and the About box on the system menu. Reference AVI
// files dropped on it run the operation of the button they land on, or the
// one the user picks from the drop question.
#include <string>
#include <vector>

#include "common/Types.h"
#include "platform/win32/dialog.h"

namespace mendora::win {

class CMainDlg : public Dialog {
 public:
  explicit CMainDlg(HWND parent = nullptr);

  // Where a system command opens the About box: the system uses the low
  // four bits of a command itself, so 16 to 31 all mean About.
  static bool IsAboutCommand(UINT command);

  // Files handled as a drop beside the buttons once the dialog shows
  // (mendora.exe FILE...).
  void SetStartFiles(std::vector<std::string> files) { start_files_ = std::move(files); }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;
  bool OnSysCommand(UINT command, LPARAM lparam) override;
  bool OnPaint() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

  // Fix, Move, Copy and Export: the file selection dialog in `mode`.
  virtual void RunOperation(OperationMode mode);
  // Preference: the preference dialog.
  virtual void RunPreference();
  // Check: a folder's reference AVIs and the report window.
  virtual void RunCheck();
  // Files dropped (or given on the command line): the operation on them.
  virtual void RunDroppedOperation(OperationMode mode, const std::vector<std::string>& files);
  // The drop question: IDC_FIX, IDC_MOVE, IDC_COPY, or IDCANCEL for none.
  virtual INT_PTR AskDropOperation(const std::vector<std::string>& files);
  bool OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  // Files dropped on control `control_id` (0: on the dialog itself).
  void HandleDrop(const std::vector<std::string>& files, int control_id);

 private:
  std::string check_text_;       // IDS_CHECK_TEXT
  std::string copy_text_;        // IDS_COPY_TEXT
  std::string export_text_;      // IDS_EXPORT_TEXT
  std::string fix_text_;         // IDS_FIX_TEXT
  std::string move_text_;        // IDS_MOVE_TEXT
  std::string preference_text_;  // IDS_PREFERENCE_TEXT
  std::string welcome_text_;     // IDS_WELCOME
  std::vector<std::string> start_files_;
  HICON icon_ = nullptr;
  HICON small_icon_ = nullptr;
};

}  // namespace mendora::win
