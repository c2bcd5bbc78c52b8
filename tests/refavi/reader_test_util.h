#pragma once
// Shared helpers of the analysis tests.
#include <memory>
#include <string>

#include "refavi/GetContentList.h"
#include "refavi/fixtures.h"
#include "support/memory_fs.h"

namespace mendora::test {

struct Analysis {
  int result = -1;
  DataLinkList list;
  std::unique_ptr<ContentListReader> reader;
};

inline Analysis Analyze(FileSystem& fs, const std::string& path, ProgressReporter* progress = nullptr,
                        File* trace = nullptr) {
  Analysis a;
  a.reader = std::make_unique<ContentListReader>(fs, trace);
  a.result = a.reader->GetContentList(path, 1, &a.list, progress);
  return a;
}

// The walk's own result, without a list (GetContentList then returns it).
inline int WalkResult(FileSystem& fs, const std::string& path) {
  ContentListReader reader(fs);
  return reader.GetContentList(path, 1, nullptr, nullptr);
}

inline uint32_t IdAt(const std::string& bytes, uint64_t position) {
  if (position + 4 > bytes.size()) return 0;
  return LoadU32(reinterpret_cast<const uint8_t*>(bytes.data() + position));
}

}  // namespace mendora::test
