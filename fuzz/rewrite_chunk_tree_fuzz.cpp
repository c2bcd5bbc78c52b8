// The chunk-tree parser on arbitrary bytes, then the tree operations the
// writer uses on what it loaded.
#include <cstddef>
#include <cstdint>

#include "rewrite/ChunkTreeParser.h"
#include "support/memory_fs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mendora;
  test::MemoryFileSystem fs;
  fs.Add("C:\\src.avi", std::string(reinterpret_cast<const char*>(data), size));
  ChunkTreeParser parser(fs);
  int code = 0, detail = 0;
  parser.set_error_outputs(&code, &detail);
  parser.Load("C:\\src.avi");
  parser.CountAudioEntries();
  uint64_t offset = 0;
  parser.OffsetOf(fcc::movi, 1, &offset);
  parser.Lookup(fcc::strl, 2, ChunkTree::kBackward);
  parser.RecomputeSizes();
  parser.TotalLength();
  return 0;
}
