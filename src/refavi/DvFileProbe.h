#pragma once
// The quick DV check run on every file a user picks or a search finds: a
// reference AVI whose first stream header names "dvsd" or "kzvq" (any letter
// case), or a plain data file whose first chunk id is two digits and "db".
#include <string>

#include "common/ErrorCodes.h"
#include "refavi/RefAviReader.h"

namespace mendora {

class DvFileProbe : public RefAviReader {
 public:
  explicit DvFileProbe(FileSystem& fs) : RefAviReader(fs, nullptr) {}

  // Status 290, then 289 when the file cannot be opened, 0 when it is DV.
  // Flags bit 0 clear does nothing more. The result is the walk's; callers
  // look only at the status.
  int Open(const std::string& path, int flags) override;
  int Walk() override;

  int status() const { return status_; }

 private:
  int ProbeChunkWalk(uint64_t end, int depth);

  int status_ = kDvProbeIsDv;
};

// Probes `path` and returns the status.
int ProbeDvFile(FileSystem& fs, const std::string& path);

}  // namespace mendora
