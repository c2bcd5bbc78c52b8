#pragma once
// The analysis step as the operation worker runs it.
#include <string>

#include "platform/fs.h"
#include "platform/progress.h"
#include "refavi/DataLinkList.h"

namespace mendora::cli {

// RC_OK with the data links in *list; 96 when the file denies read access
// (the reader is then not run); 97 when the list is empty (no data links,
// an unreadable file, or a cancel). A success posts a last 100 %.
int AnalysisStep(FileSystem& fs, const std::string& path, DataLinkList* list, ProgressReporter* progress);

}  // namespace mendora::cli
