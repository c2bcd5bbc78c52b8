#include "operation/win/ExistingFilesDlg.h"

#include "common/Texts.h"
#include "resources/resource.h"

namespace mendora::win {

CExistingFilesDlg::CExistingFilesDlg(const std::string& files, HWND parent)
    : CExistingFilesDlg(LoadText(IDS_FILES_EXIST), files, LoadText(IDS_OVERWRITE), parent) {}

CExistingFilesDlg::CExistingFilesDlg(const std::string& warning, const std::string& files,
                                     const std::string& question, HWND parent)
    : Dialog(IDD_EXISTING_FILES, parent), warning_(warning), files_(files), question_(question) {}

void CExistingFilesDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_EXISTING_WARNING, warning_);
  dx.Text(IDC_EXISTING_LIST, files_);
  dx.Text(IDC_EXISTING_QUESTION, question_);
}

bool CExistingFilesDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  // No title bar shows it, but the window still has a name for the task
  // list and for accessibility tools: the question.
  SetWindowTextA(hwnd(), question_.c_str());
  return true;
}

}  // namespace mendora::win
