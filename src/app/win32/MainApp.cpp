#include "app/win32/MainApp.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/StartArgs.h"
#include "app/win32/MainDlg.h"
#include "common/Texts.h"
#include "common/win/ShellUi.h"
#include "operation/win/FileOperation.h"
#include "platform/win32/message_box.h"

namespace mendora::win {

namespace {
// The command line after the program's name, in the ANSI code page, as
// the C runtime splits it (quotes and backslashes as Windows programs do).
std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) arguments.emplace_back(__argv[i]);
  return arguments;
}
}  // namespace

bool CMainApp::InitInstance() {
  // The progress bar, the drive tree and the check report's list of later
  // dialogs need the common control classes registered.
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  const StartRequest request = ParseStartArguments(CommandLineArguments());
  switch (request.kind) {
    case StartRequest::kOperation:
      // Explorer's verb, a shortcut or a script: the operation alone, then the end.
      exit_code_ = RunOperationOnFiles(request.mode, request.files);
      return false;
    case StartRequest::kBadArguments:
      AppMessageBox(FormatString1(LoadText(IDS_START_USAGE),
                                  request.refused.empty() ? LoadText(IDS_START_NO_FILES) : request.refused));
      exit_code_ = 2;
      return false;
    default:
      break;
  }
  CMainDlg dialog;
  dialog.SetStartFiles(request.files);
  INT_PTR result = RunModal(dialog);
  exit_code_ = result == -1 ? 1 : 0;
  return false;
}

}  // namespace mendora::win
