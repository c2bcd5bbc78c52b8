// The DV probe on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "refavi/DvFileProbe.h"
#include "refavi_fuzz_fs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mendora::test::MemoryFileSystem fs;
  fs.Add(mendora::fuzz::kInputPath, std::string(reinterpret_cast<const char*>(data), size));
  const int status = mendora::ProbeDvFile(fs, mendora::fuzz::kInputPath);
  if (status != mendora::kDvProbeIsDv && status != mendora::kDvProbeNotDv) __builtin_trap();
  return 0;
}
