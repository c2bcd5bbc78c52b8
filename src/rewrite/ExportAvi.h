#pragma once
// Two uses of the creation step beside the rewrite:
// - the export: a DV AVI holding, in place of each REF record, the frame it
//   names, with the source's sound, streams, rates and frame order. It
//   plays anywhere, without the data files.
// - the recovery: a reference AVI whose index is missing or whose end was
//   cut, rebuilt from the frame chunks that are whole, with fresh indexes
//   and header counts.
// Both write a temporary file beside the output and rename it into place,
// so a failure or a cancel leaves no partial output.
#include <cstdint>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/fs.h"
#include "platform/progress.h"
#include "rewrite/CreateAvi.h"

namespace mendora {

struct LinkProblem {
  std::string path;    // the link as recorded
  std::string reason;  // "is missing", "has no frame chunk at offset 1234", ...
};

struct ExportOutcome {
  int code = 0;        // 0 on success; the step's codes, 273, 289, 97 or 520
  int detail = -1;
  uint32_t frames = 0;                // video frames written
  std::vector<LinkProblem> problems;  // code 520: every link that fails
};

// Exports the reference AVI `source` to `output` (Windows paths). An
// existing output is refused (273) unless `replace`. Before anything is
// written every data link must exist and pass the content check. 1 on
// success.
int ExportDvAvi(FileSystem& fs, const std::string& source, const std::string& output, bool replace,
                ExportOutcome* outcome, ProgressReporter* progress);

struct RecoverOutcome {
  int code = 0;
  int detail = -1;
  uint32_t frames = 0;
  MoviWalk walk;  // frames kept, and where the damage starts
};

// Rebuilds `source` into `output`. The source's header list must be whole;
// the frame chunks are taken in file order up to the first damaged one.
int RecoverRefAvi(FileSystem& fs, const std::string& source, const std::string& output, bool replace,
                  RecoverOutcome* outcome, ProgressReporter* progress);

}  // namespace mendora
