#pragma once
// One run of Fix, Move or Copy over a selection of reference AVI files,
// however it was started: the console tool, mendora.exe /fix|/move|/copy,
// files dropped on the main dialog, or the file selection dialog.
#include <string>
#include <vector>

#include "operation/DryRun.h"
#include "operation/OperationUi.h"
#include "operation/Steps.h"
#include "platform/fs.h"
#include "platform/settings_store.h"

namespace mendora {

// The DV check of a selection, before anything runs. A file with a journal
// beside it passes as it is: its interrupted run is put right first, and a
// Move that had finished may have removed the file itself. Returns 0
// (kDvProbeIsDv) when every file may go on, else the status of the first
// that may not, with that file in *refused.
int ProbeSelection(FileSystem& fs, const std::vector<std::string>& files, std::string* refused);

struct SelectionOptions {
  int backup = -1;              // 0 or 1 overrides the backup setting for the run
  DryRunSink* dry_run = nullptr;  // set: plan only, write nothing
};

// Runs `mode` (Fix, Move or Copy) over `files` in turn, once ProbeSelection
// let them through; a refused selection runs nothing and *refused_status
// (may be null) tells why. True when every file finished.
bool RunSelection(int mode, const std::vector<std::string>& files, FileSystem& fs, SettingsStore& settings,
                  OperationUi& ui, Steps& steps, const SelectionOptions& options, int* refused_status = nullptr,
                  std::string* refused_file = nullptr);

}  // namespace mendora
