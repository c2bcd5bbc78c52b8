#include "app/win32/MainApp.h"

namespace mendora::win {
CMainApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  mendora::win::theApp.InitInstance();
  return mendora::win::theApp.exit_code();
}
