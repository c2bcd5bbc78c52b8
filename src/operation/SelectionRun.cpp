#include "operation/SelectionRun.h"

#include "common/Types.h"
#include "operation/Journal.h"
#include "operation/Operation.h"
#include "refavi/DvFileProbe.h"

namespace mendora {

int ProbeSelection(FileSystem& fs, const std::vector<std::string>& files, std::string* refused) {
  for (const std::string& file : files) {
    if (fs.Exists(JournalPath(file))) continue;
    const int status = ProbeDvFile(fs, file);
    if (status == kDvProbeIsDv) continue;
    if (refused != nullptr) *refused = file;
    return status;
  }
  return kDvProbeIsDv;
}

bool RunSelection(int mode, const std::vector<std::string>& files, FileSystem& fs, SettingsStore& settings,
                  OperationUi& ui, Steps& steps, const SelectionOptions& options, int* refused_status,
                  std::string* refused_file) {
  const int status = ProbeSelection(fs, files, refused_file);
  if (refused_status != nullptr) *refused_status = status;
  if (status != kDvProbeIsDv) return false;
  COperation operation(files, fs, settings, ui, steps);
  if (options.backup >= 0) operation.set_backup_flag(options.backup);
  if (options.dry_run != nullptr) operation.set_dry_run(options.dry_run);
  if (mode == Fix) operation.RunFix();
  else operation.RunMoveCopy(mode == Move ? 1 : 0);
  for (const int done : operation.finished())
    if (!done) return false;
  return true;
}

}  // namespace mendora
