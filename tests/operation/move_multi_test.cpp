#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <vector>

#include "operation/FileNames.h"
#include "operation/MoveMulti.h"
#include "support/faulty_fs.h"
#include "platform/last_error.h"
#include "platform/wintypes.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

// Records every report; sets the running flag to 0 at report `cancel_at`.
class RecordingSink : public ProgressSink {
 public:
  explicit RecordingSink(std::atomic<int>* running, int cancel_at = -1) : running_(running), cancel_at_(cancel_at) {}
  void Report(int percent) override {
    if (static_cast<int>(values.size()) == cancel_at_) running_->store(0);
    values.push_back(percent);
  }
  void Post(int percent) override { values.push_back(percent); }
  std::vector<int> values;

 private:
  std::atomic<int>* running_;
  int cancel_at_;
};

std::string Bytes(size_t n, char seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
  return s;
}

struct Outcome {
  int ok = -1;
  int code = -1;
  int index = -1;
};

Outcome Carry(FileSystem& fs, const std::vector<std::string>& from, const std::vector<std::string>& to, int move,
          ProgressReporter* progress = nullptr, int refuse = 1) {
  Outcome r;
  r.ok = MoveMultiFiles(fs, from, to, move, &r.code, &r.index, progress, refuse);
  return r;
}

TEST(MoveMultiLists, BadListsAndFailedChecksTouchNothing) {
  test::TestDrives d;
  const std::string a = d.Path('C', "a.001"), b = d.Path('C', "b.001");
  const std::string ta = d.Path('D', "a.001"), tb = d.Path('D', "b.001");
  d.WriteFile(a, "aaa");
  d.WriteFile(b, "bbb");

  Outcome r = Carry(d.fs(), {a, b}, {ta}, 1);
  EXPECT_EQ(r.ok, 0);
  EXPECT_EQ(r.code, MM_BAD_LIST);
  EXPECT_EQ(Carry(d.fs(), {}, {}, 0).code, MM_BAD_LIST);

  r = Carry(d.fs(), {a, d.Path('C', "gone.001")}, {ta, tb}, 1);
  EXPECT_EQ(r.code, MM_BAD_SOURCE);
  EXPECT_EQ(r.index, 1);

  d.WriteFile(tb, "old");
  r = Carry(d.fs(), {a, b}, {ta, tb}, 1);
  EXPECT_EQ(r.code, MM_TARGET_EXISTS);
  EXPECT_EQ(r.index, 1);

  // A protected target wins over an earlier existing one.
  ASSERT_TRUE(d.fs().CreateDir(d.Path('D', "dir")));
  r = Carry(d.fs(), {a, b}, {tb, d.Path('D', "dir")}, 0);
  EXPECT_EQ(r.code, MM_TARGET_PROTECTED);
  EXPECT_EQ(r.index, 1);
  d.WriteFile(d.Path('D', "ro"), "r");
  ASSERT_TRUE(d.fs().SetAttributes(d.Path('D', "ro"), kAttrReadOnly));
  EXPECT_EQ(Carry(d.fs(), {a}, {d.Path('D', "ro")}, 1).code, MM_TARGET_PROTECTED);

  EXPECT_EQ(d.ReadFile(a), "aaa");
  EXPECT_EQ(d.ReadFile(b), "bbb");
  EXPECT_FALSE(d.Exists(ta));
  EXPECT_EQ(d.ReadFile(tb), "old");

  // Without refuse-existing an existing target is replaced.
  r = Carry(d.fs(), {b}, {tb}, 0, nullptr, 0);
  EXPECT_EQ(r.ok, 1);
  EXPECT_EQ(d.ReadFile(tb), "bbb");
}

TEST(MoveMultiRuns, SameDriveRenamesOtherDriveCopiesThenDeletes) {
  test::TestDrives d;
  const std::string a = d.Path('C', "src\\a.001"), b = d.Path('C', "src\\b.002"), c = d.Path('C', "src\\c.003");
  const std::string big = Bytes(3 << 20, 'x');
  d.WriteFile(a, big);
  d.WriteFile(b, "second");
  d.WriteFile(c, "");
  d.WriteFile(d.Path('C', "dst\\keep"), "");
  d.WriteFile(d.Path('D', "dst\\keep"), "");
  FileIdentity before{};
  ASSERT_TRUE(d.fs().Identity(a, &before));

  std::atomic<int> running{1};
  RecordingSink sink(&running);
  ProgressReporter progress(&running, &sink);
  const std::string ta = d.Path('C', "dst\\a.001"), tb = d.Path('D', "dst\\b.002"), tc = d.Path('D', "dst\\c.003");
  const Outcome r = Carry(d.fs(), {a, b, c}, {ta, tb, tc}, 1, &progress);
  ASSERT_EQ(r.ok, 1);
  EXPECT_EQ(r.code, MM_OK);
  EXPECT_FALSE(d.Exists(a));
  EXPECT_FALSE(d.Exists(b));
  EXPECT_FALSE(d.Exists(c));
  EXPECT_EQ(d.ReadFile(ta), big);
  EXPECT_EQ(d.ReadFile(tb), "second");
  EXPECT_TRUE(d.Exists(tc));
  FileIdentity after{};
  ASSERT_TRUE(d.fs().Identity(ta, &after));
  EXPECT_EQ(before, after) << "a move on one drive is a rename";

  ASSERT_FALSE(sink.values.empty());
  EXPECT_EQ(sink.values.front(), 0);
  EXPECT_EQ(sink.values.back(), 100);
  for (size_t i = 1; i < sink.values.size(); ++i) EXPECT_LE(sink.values[i - 1], sink.values[i]);
  // The renamed file counts at once with all its bytes.
  const uint64_t total = big.size() + 6;
  EXPECT_NE(std::find(sink.values.begin(), sink.values.end(), static_cast<int>(big.size() * 100 / total)),
            sink.values.end());
}

TEST(MoveMultiRuns, CopyKeepsSourcesAndEmptySourcesReportOnlyEnds) {
  test::TestDrives d;
  const std::string a = d.Path('C', "a"), b = d.Path('C', "b");
  d.WriteFile(a, "");
  d.WriteFile(b, "");
  std::atomic<int> running{1};
  RecordingSink sink(&running);
  ProgressReporter progress(&running, &sink);
  const Outcome r = Carry(d.fs(), {a, b}, {d.Path('E', "a"), d.Path('C', "b2")}, 0, &progress);
  ASSERT_EQ(r.ok, 1);
  EXPECT_TRUE(d.Exists(a));
  EXPECT_TRUE(d.Exists(b));
  EXPECT_TRUE(d.Exists(d.Path('E', "a")));
  EXPECT_TRUE(d.Exists(d.Path('C', "b2")));
  EXPECT_EQ(sink.values, (std::vector<int>{0, 100}));
}

TEST(MoveMultiRuns, NetworkPathsAlwaysCopy) {
  EXPECT_FALSE(SameVolume("\\\\server\\share\\a", "\\\\server\\share\\b"));
  EXPECT_FALSE(SameVolume("C:\\a", "\\\\server\\a"));
  EXPECT_TRUE(SameVolume("c:\\a", "C:\\b"));
  EXPECT_FALSE(SameVolume("C", "C"));
}

TEST(MoveMultiCancel, CopyRunDeletesEveryTargetOfTheRun) {
  test::TestDrives d;
  std::vector<std::string> from, to;
  for (int i = 0; i < 3; ++i) {
    from.push_back(d.Path('C', "f" + std::to_string(i)));
    to.push_back(d.Path('D', "f" + std::to_string(i)));
    d.WriteFile(from.back(), Bytes(40000, static_cast<char>('a' + i)));
  }
  SetCopyBufferAllocator([](size_t n) -> void* { return n > 16384 ? nullptr : std::malloc(n); });
  for (int at = 1; at < 9; ++at) {
    std::atomic<int> running{1};
    RecordingSink sink(&running, at);
    ProgressReporter progress(&running, &sink);
    const Outcome r = Carry(d.fs(), from, to, 0, &progress);
    EXPECT_EQ(r.ok, 0) << at;
    EXPECT_EQ(r.code, MM_COPY_CANCELLED) << at;
    for (int i = 0; i < 3; ++i) {
      EXPECT_FALSE(d.Exists(to[i])) << at << " " << i;
      EXPECT_EQ(d.ReadFile(from[i]), Bytes(40000, static_cast<char>('a' + i)));
    }
  }
  SetCopyBufferAllocator(nullptr);
}

TEST(MoveMultiCancel, MoveRunPutsFilesBackAcrossDrivesToo) {
  test::TestDrives d;
  const std::vector<std::string> from = {d.Path('C', "a"), d.Path('C', "b"), d.Path('C', "c")};
  const std::vector<std::string> to = {d.Path('D', "a"), d.Path('C', "t\\b"), d.Path('E', "c")};
  d.WriteFile(d.Path('C', "t\\x"), "");
  SetCopyBufferAllocator([](size_t n) -> void* { return n > 16384 ? nullptr : std::malloc(n); });
  int cancels = 0;
  for (int at = 1;; ++at) {
    for (size_t i = 0; i < 3; ++i) d.WriteFile(from[i], Bytes(30000, static_cast<char>('k' + i)));
    std::atomic<int> running{1};
    RecordingSink sink(&running, at);
    ProgressReporter progress(&running, &sink);
    const Outcome r = Carry(d.fs(), from, to, 1, &progress);
    EXPECT_EQ(r.ok, 1) << at;
    EXPECT_EQ(r.code, MM_OK);
    if (running.load() != 0) break;  // past the last report
    ++cancels;
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(d.ReadFile(from[i]), Bytes(30000, static_cast<char>('k' + i))) << at << " " << i;
      EXPECT_FALSE(d.Exists(to[i])) << at << " " << i;
    }
  }
  EXPECT_GE(cancels, 5);
  SetCopyBufferAllocator(nullptr);
}

TEST(MoveMultiFailure, DiskFullAndWriteFailuresGiveTheirCodes) {
  test::TestDrives d;
  FaultyFileSystem faulty(d.fs());
  const std::string a = d.Path('C', "a"), b = d.Path('C', "b");
  d.WriteFile(a, "data");
  d.WriteFile(b, "more");
  faulty.FailNth(FaultKind::kWrite, 0, kErrorDiskFull);
  Outcome r = Carry(faulty, {a}, {d.Path('D', "a")}, 0);
  EXPECT_EQ(r.code, MM_DISK_FULL);
  EXPECT_FALSE(d.Exists(d.Path('D', "a"))) << "a failed copy takes its partial target back";

  faulty.Reset();
  faulty.FailNth(FaultKind::kRename, 1, kErrorDiskFull);
  r = Carry(faulty, {a, b}, {d.Path('C', "x\\a"), d.Path('C', "x\\b")}, 1);
  d.WriteFile(d.Path('C', "x\\keep"), "");
  EXPECT_EQ(r.code, MM_WRITE_FAILURE) << "the target folder did not exist";

  faulty.Reset();
  faulty.FailNth(FaultKind::kRename, 1, kErrorDiskFull);
  r = Carry(faulty, {a, b}, {d.Path('C', "x\\a"), d.Path('C', "x\\b")}, 1);
  EXPECT_EQ(r.code, MM_DISK_FULL);
  EXPECT_EQ(r.index, 1);
  EXPECT_EQ(d.ReadFile(a), "data") << "the earlier rename was taken back";

  faulty.Reset();
  faulty.FailNth(FaultKind::kOpen, 0, kErrorAccessDenied);
  EXPECT_EQ(Carry(faulty, {a}, {d.Path('D', "a")}, 0).code, MM_SOURCE_OPEN);
  faulty.Reset();
  faulty.FailNth(FaultKind::kCreate, 0, kErrorAccessDenied);
  EXPECT_EQ(Carry(faulty, {a}, {d.Path('D', "a")}, 0).code, MM_TARGET_CREATE);
  faulty.Reset();
  faulty.FailNth(FaultKind::kAttributes, 2, kErrorAccessDenied);  // the size, after both list checks
  EXPECT_EQ(Carry(faulty, {a}, {d.Path('D', "a")}, 0).code, MM_BAD_SOURCE);
}

// A source whose size claims more than it holds, as a file cut short while
// it is copied.
class ShrinkingFs : public FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    auto file = FaultyFileSystem::Open(path, mode);
    if (!file || mode != OpenMode::kRead) return file;
    return std::make_unique<Short>(std::move(file));
  }

 private:
  class Short : public File {
   public:
    explicit Short(std::unique_ptr<File> f) : f_(std::move(f)) {}
    size_t Read(void* b, size_t n) override { return f_->Read(b, n); }
    size_t ReadAt(uint64_t o, void* b, size_t n) override { return f_->ReadAt(o, b, n); }
    size_t Write(const void* b, size_t n) override { return f_->Write(b, n); }
    bool Seek(uint64_t o) override { return f_->Seek(o); }
    uint64_t Tell() override { return f_->Tell(); }
    bool Size(uint64_t* s) override {
      if (!f_->Size(s)) return false;
      *s += 5000;
      return true;
    }
    bool SetEnd() override { return f_->SetEnd(); }
    bool Close() override { return f_->Close(); }

   private:
    std::unique_ptr<File> f_;
  };
};

TEST(MoveMultiFailure, SourceThatShrinksEndsTheCopyWith262) {
  test::TestDrives d;
  ShrinkingFs fs(d.fs());
  d.WriteFile(d.Path('C', "a"), Bytes(10000, 'q'));
  const Outcome r = Carry(fs, {d.Path('C', "a")}, {d.Path('D', "a")}, 1);
  EXPECT_EQ(r.ok, 0);
  EXPECT_EQ(r.code, MM_WRITE_FAILURE);
  EXPECT_EQ(d.ReadFile(d.Path('C', "a")), Bytes(10000, 'q'));
  EXPECT_FALSE(d.Exists(d.Path('D', "a")));
}

TEST(MoveMultiBuffer, SizeIsAQuarterOfTheFirstFailingProbeThenHalved) {
  struct Case {
    BufferAllocator allocate;
    size_t expected;
  };
  const Case cases[] = {
      {[](size_t) -> void* { return std::malloc(16); }, size_t{16} << 20},  // never fails: 16 MiB
      {[](size_t n) -> void* { return n >= (8u << 20) ? nullptr : std::malloc(16); }, size_t{2} << 20},
      {[](size_t n) -> void* { return n > (1u << 20) ? nullptr : std::malloc(16); }, size_t{1} << 20 >> 1},
      // 1 MiB fails: a quarter of it is tried, then halved until it fits.
      {[](size_t n) -> void* { return n > 40000 ? nullptr : std::malloc(16); }, size_t{32768}},
      {[](size_t) -> void* { return nullptr; }, 0},
  };
  for (const Case& c : cases) {
    SetCopyBufferAllocator(c.allocate);
    CopyBuffer buffer;
    EXPECT_EQ(ChooseCopyBufferSize(&buffer), c.expected);
    EXPECT_EQ(buffer.size, c.expected);
  }
  test::TestDrives d;
  d.WriteFile(d.Path('C', "a"), "x");
  const Outcome r = Carry(d.fs(), {d.Path('C', "a")}, {d.Path('D', "a")}, 0);
  EXPECT_EQ(r.code, MM_NO_BUFFER);
  SetCopyBufferAllocator(nullptr);
}

// Every call of every kind fails once; after each run every file is whole at
// its source or its target, never at both after a move, and a failed run
// leaves no target behind.
TEST(MoveMultiFailure, NoFileIsLostWhicheverCallFails) {
  SetCopyBufferAllocator([](size_t n) -> void* { return n > 16384 ? nullptr : std::malloc(n); });
  int runs = 0;
  for (int move = 0; move <= 1; ++move) {
    for (int k = 0; k < static_cast<int>(FaultKind::kCount); ++k) {
      for (int n = 0;; ++n) {
        test::TestDrives d;
        FaultyFileSystem faulty(d.fs());
        const std::vector<std::string> from = {d.Path('C', "s\\a"), d.Path('C', "s\\b"), d.Path('C', "s\\c")};
        const std::vector<std::string> to = {d.Path('D', "t\\a"), d.Path('C', "t\\b"), d.Path('E', "t\\c")};
        for (size_t i = 0; i < 3; ++i) d.WriteFile(from[i], Bytes(20000 + i, static_cast<char>('a' + i)));
        d.WriteFile(d.Path('D', "t\\x"), "");
        d.WriteFile(d.Path('C', "t\\x"), "");
        d.WriteFile(d.Path('E', "t\\x"), "");
        faulty.FailNth(static_cast<FaultKind>(k), n, k == static_cast<int>(FaultKind::kWrite) ? kErrorDiskFull
                                                                                            : kErrorAccessDenied);
        const Outcome r = Carry(faulty, from, to, move);
        if (!faulty.Fired()) {
          EXPECT_EQ(r.ok, 1);
          break;
        }
        ++runs;
        for (size_t i = 0; i < 3; ++i) {
          const std::string bytes = Bytes(20000 + i, static_cast<char>('a' + i));
          const bool at_source = d.Exists(from[i]), at_target = d.Exists(to[i]);
          if (r.ok) {
            EXPECT_EQ(d.ReadFile(to[i]), bytes);
            EXPECT_EQ(at_source, move == 0);
          } else {
            EXPECT_EQ(d.ReadFile(from[i]), bytes) << FaultKindName(static_cast<FaultKind>(k)) << n << " " << i;
            EXPECT_FALSE(at_target) << FaultKindName(static_cast<FaultKind>(k)) << n << " " << i;
          }
        }
      }
    }
  }
  SetCopyBufferAllocator(nullptr);
  EXPECT_GT(runs, 20);
}

}  // namespace
}  // namespace mendora
