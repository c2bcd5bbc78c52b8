#pragma once
// Check on the main dialog: the folder browser, the check of every
// reference AVI below the chosen folder under the progress dialog, and the
// report window: a list of file, link, status and frames, the broken files
// first, "Save report..." (CSV) and Close. A double-click on a broken file
// runs Fix on it and checks it again.
#include <string>

#include "operation/CheckReport.h"
#include "platform/win32/dialog.h"
#include "platform/win32/list_view.h"

namespace mendora::win {

class CCheckReportDlg : public Dialog {
 public:
  CCheckReportDlg(CheckReport& report, const std::string& folder, HWND parent = nullptr);

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;
  bool OnNotify(int control_id, NMHDR* header, LRESULT* result) override;

  // Fix on one reference AVI, then its report again.
  virtual void FixAndCheck(const std::string& path);
  virtual void SaveReport();

 private:
  void Fill();

  CheckReport& report_;
  std::string folder_;
  ListView list_;
};

// The whole of Check, from the folder browser on.
void RunArchiveCheck();

}  // namespace mendora::win
