#pragma once
// Fix, Move or Copy on reference AVI files chosen without the file
// selection dialog: on the command line, dropped on the main dialog. The
// files pass the same DV check as a selection, then the whole operation
// runs with the program's dialogs.
#include <string>
#include <vector>

#include "common/Types.h"

namespace mendora {
class FileSystem;
class SettingsStore;
}  // namespace mendora

namespace mendora::win {

// The operation on files that passed the DV check. Returns true when every
// file ended with its finished message.
bool RunOperationOn(OperationMode mode, const std::vector<std::string>& paths, FileSystem& fs,
                    SettingsStore& settings);

// The DV check of every file (a relative path counts from the current
// folder), then the operation. A refused file shows the error dialog and
// nothing runs. Returns 0 when every file finished, 1 otherwise.
int RunOperationOnFiles(OperationMode mode, const std::vector<std::string>& paths);

}  // namespace mendora::win
