// The program as the GUI scenarios run it: the same application, plus what
// a test cannot do from outside. The folder browser's tree cannot be driven
// from another process, so MENDORA_TEST_BROWSE_FOLDER names the folder it
// selects when it opens; the scenario then presses OK. Steps of small test
// files end before a driver can press Cancel: MENDORA_TEST_REPORT_DELAY_MS
// pauses the worker before each progress report.
#include <windows.h>

#include <cstdlib>

#include "app/win32/MainApp.h"
#include "operation/win/ProgressDlg.h"
#include "operation/win/WinOperationUi.h"

namespace mendora::win {
CMainApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char folder[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("MENDORA_TEST_BROWSE_FOLDER", folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) mendora::win::SetBrowseInitialSelection(folder);
  char delay[16] = {};
  const DWORD d = GetEnvironmentVariableA("MENDORA_TEST_REPORT_DELAY_MS", delay, sizeof(delay));
  if (d > 0 && d < sizeof(delay)) mendora::win::SetProgressReportDelay(atoi(delay));
  mendora::win::theApp.InitInstance();
  return mendora::win::theApp.exit_code();
}
