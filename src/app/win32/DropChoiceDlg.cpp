#include "app/win32/DropChoiceDlg.h"

#include "common/Texts.h"
#include "resources/resource.h"

namespace mendora::win {

CDropChoiceDlg::CDropChoiceDlg(const std::vector<std::string>& files, HWND parent)
    : Dialog(IDD_DROP_CHOICE, parent), question_(LoadText(IDS_DROP_QUESTION)), files_(FileList(files)) {}

std::string CDropChoiceDlg::FileList(const std::vector<std::string>& files) {
  std::string list;
  for (const std::string& file : files) {
    if (!list.empty()) list += "\r\n";
    list += file;
  }
  return list;
}

void CDropChoiceDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_DROP_QUESTION, question_);
  dx.Text(IDC_DROP_FILES, files_);
}

bool CDropChoiceDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), LoadText(IDS_DROP_CAPTION).c_str());
  // The focus on Fix, the default, not on the list.
  SetFocus(GetDlgItem(hwnd(), IDC_FIX));
  return false;
}

bool CDropChoiceDlg::OnCommand(int id, int notify_code, HWND control) {
  if (notify_code == BN_CLICKED && (id == IDC_FIX || id == IDC_MOVE || id == IDC_COPY)) {
    EndDialog(id);
    return true;
  }
  return Dialog::OnCommand(id, notify_code, control);
}

}  // namespace mendora::win
