#pragma once
// The file system the analysis fuzzers read from: the input as a reference
// AVI, and two small data files that seeds name in their REF records and
// REFI blocks.
#include <string>

#include "refavi/Layout.h"
#include "support/memory_fs.h"

namespace mendora::fuzz {

inline const char kInputPath[] = "C:\\fuzz.avi";

inline void AddDataFiles(test::MemoryFileSystem* fs) {
  std::string frames;
  for (int i = 0; i < 3; ++i) {
    std::string header(8, '\0');
    StoreU32(reinterpret_cast<uint8_t*>(header.data()), fcc::id00db);
    StoreU32(reinterpret_cast<uint8_t*>(header.data()) + 4, 1000);
    frames += header + std::string(1000, static_cast<char>(i));
  }
  fs->Add("D:\\a.001", frames);
  fs->Add("E:\\r.001", frames.substr(0, 500));
}

}  // namespace mendora::fuzz
