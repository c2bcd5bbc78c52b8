#include "app/win32/MainApp.h"

namespace mendora {
CMainApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  mendora::theApp.InitInstance();
  return mendora::theApp.exit_code();
}
