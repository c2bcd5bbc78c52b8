#pragma once
// The analysis of a reference AVI: walks the whole file, checks that it is
// DV, builds the stream table and lists the data links (the paths of the REF
// records in the "movi" lists, each once, in order of first appearance),
// reporting progress and honouring Cancel through a ProgressReporter.
#include <string>

#include "platform/progress.h"
#include "refavi/DataLinkList.h"
#include "refavi/DvFileProbe.h"
#include "refavi/RefAviReader.h"

namespace mendora {

class ContentListReader : public RefAviReader {
 public:
  explicit ContentListReader(FileSystem& fs, File* trace = nullptr) : RefAviReader(fs, trace) {}

  // Reads `path` when flags bit 0 is set. `list` (may be null: nothing is
  // collected) receives the data links found, even when the walk fails part
  // way; a cancel empties it. `progress` (may be null: no reports, no
  // cancel) gets a percentage at every chunk. Returns the walk's result, and
  // 0 whenever the list ends up empty.
  int GetContentList(const std::string& path, int flags, DataLinkList* list, ProgressReporter* progress);

  uint64_t file_size() const { return file_size_; }
};

}  // namespace mendora
