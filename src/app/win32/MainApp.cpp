#include "app/win32/MainApp.h"

#include <commctrl.h>

#include "app/win32/MainDlg.h"
#include "common/win/ShellUi.h"

namespace mendora::win {

bool CMainApp::InitInstance() {
  // The progress bar, the drive tree and the check report's list of later
  // dialogs need the common control classes registered.
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  CMainDlg dialog;
  INT_PTR result = RunModal(dialog);
  exit_code_ = result == -1 ? 1 : 0;
  return false;
}

}  // namespace mendora::win
