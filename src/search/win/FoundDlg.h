#pragma once
// The found similar file dialog's window (template 140): the question, the
// missing file and the candidate, with Reference, OK, Next and Cancel. The
// texts and what each button does belong to FoundChoice; this window
// shows the texts and tells which button was pressed.
#include <string>

#include "platform/win32/dialog.h"
#include "search/FoundChoice.h"

namespace mendora::win {

class CFoundDlg : public Dialog {
 public:
  explicit CFoundDlg(const FoundChoice& found, HWND parent = nullptr);

  // The button that ended the dialog (Cancel also for Escape).
  FoundButton button() const { return button_; }

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnCommand(int id, int notify_code, HWND control) override;

 private:
  std::string question_;
  std::string missing_;
  std::string similar_;
  FoundButton button_ = FoundButton::kCancel;
};

}  // namespace mendora::win
