#include "operation/win/FileOperation.h"

#include <windows.h>

#include <memory>

#include "common/ErrorTable.h"
#include "common/win/ErrorDlg.h"
#include "operation/ExportRun.h"
#include "operation/Operation.h"
#include "operation/ProgramSteps.h"
#include "operation/win/WinOperationUi.h"
#include "platform/fs.h"
#include "platform/settings_store.h"
#include "refavi/DvFileProbe.h"

namespace mendora::win {

namespace {

// The full path of a command-line argument, as the file dialog would give it.
std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

}  // namespace

bool RunOperationOn(OperationMode mode, const std::vector<std::string>& paths, FileSystem& fs,
                    SettingsStore& settings) {
  WinOperationUi ui(fs, settings);
  ProgramSteps steps(fs);
  if (mode == Export) return RunExport(fs, ui, paths).size() == paths.size();
  COperation operation(paths, fs, settings, ui, steps);
  switch (mode) {
    case Fix: operation.RunFix(); break;
    case Move: operation.RunMoveCopy(1); break;
    case Copy: operation.RunMoveCopy(0); break;
    case Export: break;
  }
  for (int finished : operation.finished())
    if (finished == 0) return false;
  return true;
}

int RunOperationOnFiles(OperationMode mode, const std::vector<std::string>& paths) {
  FileSystem& fs = SystemFileSystem();
  if (paths.empty()) {
    ShowError(ERR_NO_SELECTION);
    return 1;
  }
  std::vector<std::string> selected;
  for (const std::string& path : paths) {
    selected.push_back(FullPath(path));
    const int status = ProbeDvFile(fs, selected.back());
    if (status != kDvProbeIsDv) {
      ShowError(status);
      return 1;
    }
  }
  std::unique_ptr<SettingsStore> settings = OpenUserSettingsStore();
  return RunOperationOn(mode, selected, fs, *settings) ? 0 : 1;
}

}  // namespace mendora::win
