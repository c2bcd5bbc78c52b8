#include "search/win/FoundDlg.h"

#include "resources/resource.h"

namespace mendora::win {

CFoundDlg::CFoundDlg(const FoundChoice& found, HWND parent)
    : Dialog(IDD_FOUND, parent),
      question_(found.question_text()),
      missing_(found.missing_text()),
      similar_(found.similar_text()) {}

void CFoundDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_FOUND_QUESTION, question_);
  dx.Text(IDC_FOUND_SIMILAR, similar_);
  dx.Text(IDC_FOUND_MISSING, missing_);
}

bool CFoundDlg::OnCommand(int id, int notify_code, HWND control) {
  switch (id) {
    case IDOK:
      button_ = FoundButton::kOk;
      EndDialog(IDOK);
      return true;
    case IDC_FOUND_NEXT:
      if (notify_code != BN_CLICKED) break;
      button_ = FoundButton::kNext;
      EndDialog(IDCANCEL);
      return true;
    case IDC_FOUND_REFERENCE:
      if (notify_code != BN_CLICKED) break;
      button_ = FoundButton::kReference;
      EndDialog(IDCANCEL);
      return true;
    case IDCANCEL:
      button_ = FoundButton::kCancel;
      EndDialog(IDCANCEL);
      return true;
    default:
      break;
  }
  return Dialog::OnCommand(id, notify_code, control);
}

}  // namespace mendora::win
