// mendora-showerror: shows the program's error boxes on their own, for the
// GUI tests (the program itself takes no arguments).
//   mendora-showerror error CODE       the error dialog for CODE
//   mendora-showerror lasterror N      ReportLastError's box for system error N
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "common/CommonFunc.h"
#include "common/win/ErrorDlg.h"
#include "common/win/ShellUi.h"
#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  long value = std::strtol(argv[2], nullptr, 0);
  if (std::strcmp(argv[1], "error") == 0) {
    mendora::win::ShowError(static_cast<int>(value));
    return 0;
  }
  if (std::strcmp(argv[1], "lasterror") == 0) {
    mendora::MemorySettingsStore store;
    mendora::win::MessageBoxSink sink;
    mendora::CommonFunc common(store, mendora::SystemFileSystem(), &sink);
    mendora::SetLastSystemError(static_cast<uint32_t>(value));
    return common.ReportLastError(1) == 145 ? 0 : 1;
  }
  return 2;
}
