#include "app/win32/MainApp.h"

#include <commctrl.h>

#include "app/win32/MainDlg.h"
#include "common/win/ShellUi.h"

namespace mendora::win {

bool CMainApp::InitInstance() {
  // The progress bar and the drive tree of later dialogs need the common
  // control classes registered.
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  CMainDlg dialog;
  INT_PTR result = RunModal(dialog);
  exit_code_ = result == -1 ? 1 : 0;
  return false;
}

}  // namespace mendora::win
