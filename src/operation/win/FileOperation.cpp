#include "operation/win/FileOperation.h"

#include <windows.h>

#include <memory>

#include "common/ErrorTable.h"
#include "common/win/ErrorDlg.h"
#include "operation/ExportRun.h"
#include "operation/ProgramSteps.h"
#include "operation/SelectionRun.h"
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
  int refused = kDvProbeIsDv;
  const bool finished = RunSelection(mode, paths, fs, settings, ui, steps, SelectionOptions{}, &refused);
  if (refused != kDvProbeIsDv) ShowError(refused);
  return finished;
}

int RunOperationOnFiles(OperationMode mode, const std::vector<std::string>& paths) {
  FileSystem& fs = SystemFileSystem();
  if (paths.empty()) {
    ShowError(ERR_NO_SELECTION);
    return 1;
  }
  std::vector<std::string> selected;
  for (const std::string& path : paths) selected.push_back(FullPath(path));
  // Export reads every file it is given; the others look for a journal
  // before the DV check (RunSelection).
  if (mode == Export) {
    std::string refused;
    if (const int status = ProbeSelection(fs, selected, &refused); status != kDvProbeIsDv) {
      ShowError(status);
      return 1;
    }
  }
  std::unique_ptr<SettingsStore> settings = OpenUserSettingsStore();
  return RunOperationOn(mode, selected, fs, *settings) ? 0 : 1;
}

}  // namespace mendora::win
