#pragma once
// The analysis step of an operation: the data links of one reference AVI, or
// the code that refuses it. The program's worker and mendora-cli both run
// it, so a file is accepted or refused alike in both.
#include <functional>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/fs.h"
#include "platform/progress.h"

namespace mendora {

// Lists the data links of `path` into `links`; 0 when the walk failed, even
// with some links found before it broke off.
using AnalysisWalk =
    std::function<int(const std::string& path, std::vector<std::string>* links, ProgressReporter* progress)>;

// The walk of the reference AVI reader.
int ReadDataLinks(FileSystem& fs, const std::string& path, std::vector<std::string>* links,
                  ProgressReporter* progress);

// kAnalysisOk with the data links in *links, posting a last 100 %;
// kAnalysisNoReferenceAvi when the file denies read access (nothing is read);
// kAnalysisNoDataFiles, with *links empty, when the walk broke off, found no
// link or was cancelled: acting on part of a file's links would carry or fix
// only part of it and call it done. `walk` defaults to ReadDataLinks.
int RunAnalysis(FileSystem& fs, const std::string& path, ProgressReporter* progress, std::vector<std::string>* links,
                const AnalysisWalk& walk = {});

}  // namespace mendora
