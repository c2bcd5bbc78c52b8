// The creation step on arbitrary source bytes: with and without a
// replacement, with progress and cancel, and over the source itself.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "rewrite/CreateAvi.h"
#include "support/memory_fs.h"

namespace {

// An input that makes the step write much fails as on a full disk.
constexpr uint64_t kOutputCap = 64ull << 20;

class Sink : public mendora::ProgressSink {
 public:
  explicit Sink(std::atomic<int>* running) : running_(running) {}
  void Report(int percent) override {
    if (++reports_ == 50 || percent > 1000) running_->store(0);
  }
  void Post(int) override {}

 private:
  std::atomic<int>* running_;
  int reports_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace mendora;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const char* old_paths[] = {"D:\\clips\\tape1.001", "D:\\a.001", nullptr};
  const char* new_paths[] = {"E:\\moved\\tape1.001", "E:\\a-much-longer-name\\a.001", nullptr};
  const char* none[] = {nullptr};
  for (int variant = 0; variant < 3; ++variant) {
    test::MemoryFileSystem fs;
    fs.CapFileSize(kOutputCap);
    fs.Add("C:\\src.avi", bytes);
    int code = 0, detail = 0;
    std::atomic<int> running{1};
    Sink sink(&running);
    ProgressReporter progress(&running, &sink);
    const char* output = variant == 2 ? "C:\\src.avi" : "C:\\out.avi";
    CreateRefAvi(fs, "C:\\src.avi", output, variant == 0 ? none : old_paths, variant == 0 ? none : new_paths, &code,
                 &detail, variant == 1 ? &progress : nullptr);
  }
  return 0;
}
