// The program as the GUI scenarios run it: the same application, plus what
// a test cannot do from outside. The folder browser's tree cannot be driven
// from another process, so MENDORA_TEST_BROWSE_FOLDER names the folder it
// selects when it opens; the scenario then presses OK.
#include <windows.h>

#include "app/win32/MainApp.h"
#include "operation/win/WinOperationUi.h"

namespace mendora {
CMainApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char folder[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("MENDORA_TEST_BROWSE_FOLDER", folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) mendora::SetBrowseInitialSelection(folder);
  mendora::theApp.InitInstance();
  return mendora::theApp.exit_code();
}
