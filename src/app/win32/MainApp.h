#pragma once
// The application object: runs the main dialog and ends with it, or, asked
// by the command line, runs one operation on the files given and ends.
#include <windows.h>

namespace mendora::win {

class CMainApp {
 public:
  CMainApp() = default;

  // Runs the main dialog modally, or the operation the command line asks
  // for. Returns false, as the program has no message loop of its own;
  // exit_code() is 0 when the dialog ran or every file of the operation
  // finished, 1 when not, 2 for a command line it cannot read.
  bool InitInstance();
  int exit_code() const { return exit_code_; }

 private:
  int exit_code_ = 0;
};

extern CMainApp theApp;

}  // namespace mendora::win
