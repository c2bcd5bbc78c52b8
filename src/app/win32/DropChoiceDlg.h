#pragma once
// The drop question: reference AVI files were dropped on the main dialog
// beside its buttons (or given on the command line without a switch).
// It lists them and ends with the operation's button id: IDC_FIX, IDC_MOVE,
// IDC_COPY, or IDCANCEL.
#include <string>
#include <vector>

#include "platform/win32/dialog.h"

namespace mendora::win {

class CDropChoiceDlg : public Dialog {
 public:
  CDropChoiceDlg(const std::vector<std::string>& files, HWND parent);

  // The list box text: one path a line.
  static std::string FileList(const std::vector<std::string>& files);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;

 private:
  std::string question_;
  std::string files_;
};

}  // namespace mendora::win
