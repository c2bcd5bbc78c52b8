#include "common/win/ErrorDlg.h"

#include "common/ErrorTable.h"
#include "common/win/ShellUi.h"
#include "resources/resource.h"

namespace mendora::win {

CErrorDlg::CErrorDlg(HWND parent) : Dialog(IDD_ERROR, parent) {}

void CErrorDlg::SetError(int code) {
  code_ = code;
  ErrorMessage text = ErrorMessageFor(code);
  caption_ = std::move(text.caption);
  message_ = std::move(text.message);
}

void CErrorDlg::DoDataExchange(DataExchange& dx) { dx.Text(IDC_ERROR_MESSAGE, message_); }

bool CErrorDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), caption_.c_str());
  return true;
}

void ShowError(int code) {
  CErrorDlg dialog;
  dialog.SetError(code);
  RunModal(dialog);
}

}  // namespace mendora::win
