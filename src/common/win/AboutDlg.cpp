#include "common/win/AboutDlg.h"

#include "common/Texts.h"
#include "resources/resource.h"

namespace mendora::win {

CAboutDlg::CAboutDlg(HWND parent)
    : Dialog(IDD_ABOUTBOX, parent), version_(LoadText(IDS_ABOUT_VERSION)), notice_(LoadText(IDS_ABOUT_NOTICE)) {}

void CAboutDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_VERSION_TEXT, version_);
  dx.Text(IDC_NOTICE_TEXT, notice_);
}

bool CAboutDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), LoadText(IDS_ABOUT_CAPTION).c_str());
  return true;
}

}  // namespace mendora::win
