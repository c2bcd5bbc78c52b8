// The recovery's walk of the frame chunks on arbitrary bytes: cut, with a
// missing index, with chunks of any size; with progress and cancel.
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "rewrite/ExportAvi.h"
#include "support/memory_fs.h"

namespace {

// An input that makes the step write much fails as on a full disk.
constexpr uint64_t kOutputCap = 64ull << 20;

class Sink : public mendora::ProgressSink {
 public:
  explicit Sink(std::atomic<int>* running) : running_(running) {}
  void Report(int) override {
    if (++reports_ == 50) running_->store(0);
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
  for (int variant = 0; variant < 2; ++variant) {
    test::MemoryFileSystem fs;
    fs.CapFileSize(kOutputCap);
    fs.Add("C:\\cut.avi", bytes);
    std::atomic<int> running{1};
    Sink sink(&running);
    ProgressReporter progress(&running, &sink);
    RecoverOutcome outcome;
    const int result = RecoverRefAvi(fs, "C:\\cut.avi", "C:\\mended.avi", false, &outcome,
                                     variant == 1 ? &progress : nullptr);
    // Nothing but the source, and the output when the step succeeded.
    if (!result && fs.Exists("C:\\mended.avi")) __builtin_trap();
    if (outcome.walk.damaged && outcome.walk.damage_at > size) __builtin_trap();
  }
  return 0;
}
