#pragma once
// The application object: runs the main dialog and ends with it.
#include <windows.h>

namespace mendora::win {

class CMainApp {
 public:
  CMainApp() = default;

  // Runs the main dialog modally. Returns false, as the program has no
  // message loop of its own; exit_code() tells whether the dialog ran.
  bool InitInstance();
  int exit_code() const { return exit_code_; }

 private:
  int exit_code_ = 0;
};

extern CMainApp theApp;

}  // namespace mendora::win
