#pragma once
// Export from the program: the destination folder, each selected reference
// AVI exported under the progress display, then a message naming the new
// files. Each DV AVI takes its reference AVI's file name in the folder.
#include <string>
#include <vector>

#include "operation/OperationUi.h"
#include "platform/fs.h"

namespace mendora {

// The exported files, in the order of `files`; empty when the user gave up
// at the folder or nothing could be exported.
std::vector<std::string> RunExport(FileSystem& fs, OperationUi& ui, const std::vector<std::string>& files);

}  // namespace mendora
