#include "app/win32/AboutDlg.h"

#include "common/Texts.h"
#include "resources/resource.h"

namespace mendora {

CAboutDlg::CAboutDlg(HWND parent)
    : Dialog(IDD_ABOUTBOX, parent), version_(LoadText(IDS_ABOUT_VERSION)), notice_(LoadText(IDS_ABOUT_NOTICE)) {}

void CAboutDlg::DoDataExchange(win32::DataExchange& dx) {
  dx.Text(IDC_VERSION_TEXT, version_);
  dx.Text(IDC_NOTICE_TEXT, notice_);
}

bool CAboutDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), LoadText(IDS_ABOUT_CAPTION).c_str());
  return true;
}

}  // namespace mendora
