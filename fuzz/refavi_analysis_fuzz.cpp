// The analysis on arbitrary bytes: the walk, the indexes, REFI blocks, the
// resolution of references, the chunk trace and a cancel part way; then the
// archive check of the same file (links against the data files, and the
// reason it gives for a file it cannot read).
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "refavi/ArchiveCheck.h"
#include "refavi/GetContentList.h"
#include "refavi_fuzz_fs.h"

namespace {

// A trace file that drops what it is given.
class NullFile : public mendora::File {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t ReadAt(uint64_t, void*, size_t) override { return 0; }
  size_t Write(const void*, size_t n) override { return n; }
  bool Seek(uint64_t) override { return true; }
  uint64_t Tell() override { return 0; }
  bool Size(uint64_t*) override { return false; }
  bool SetEnd() override { return false; }
  bool Close() override { return true; }
};

// Cancels after a number of reports taken from the input.
class CancellingSink : public mendora::ProgressSink {
 public:
  CancellingSink(std::atomic<int>* running, int limit) : running_(running), limit_(limit) {}
  void Report(int percent) override {
    if (percent < 0 || percent > 100) __builtin_trap();
    if (limit_ > 0 && ++reports_ >= limit_) running_->store(0);
  }
  void Post(int) override {}

 private:
  std::atomic<int>* running_;
  int limit_;
  int reports_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mendora::test::MemoryFileSystem fs;
  mendora::fuzz::AddDataFiles(&fs);
  fs.Add(mendora::fuzz::kInputPath, std::string(reinterpret_cast<const char*>(data), size));
  NullFile trace;
  std::atomic<int> running{1};
  // The first byte picks a cancel point (0: never); the file is the whole input.
  CancellingSink sink(&running, size > 0 && data[0] % 4 == 1 ? data[size - 1] : 0);
  mendora::ProgressReporter progress(&running, &sink);
  mendora::ContentListReader reader(fs, &trace);
  mendora::DataLinkList list;
  reader.GetContentList(mendora::fuzz::kInputPath, 1, &list, &progress);
  if (running.load() == 0 && !list.empty()) __builtin_trap();  // a cancel empties the list
  reader.Close();
  mendora::ArchiveCheck check(fs);
  const mendora::FileCheck report = check.CheckFile(mendora::fuzz::kInputPath, nullptr);
  if (report.status == mendora::CheckStatus::kUnreadable ? report.reason.empty() : !report.reason.empty())
    __builtin_trap();  // an unreadable file always says why, and only it
  mendora::FormatCheckJson({report});
  mendora::FormatCheckCsv({report});
  return 0;
}
