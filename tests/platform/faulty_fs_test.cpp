#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/faulty_fs.h"
#include "platform/last_error.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

TEST(FaultyFileSystem, FailsTheNthCallOfOneKindWithItsError) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string a = drives.Path('D', "a"), b = drives.Path('D', "b"), c = drives.Path('D', "c");
  drives.WriteFile(a, "1");

  faulty.FailNth(FaultKind::kRename, 1, kErrorAccessDenied);
  EXPECT_TRUE(faulty.Rename(a, b, false));
  EXPECT_FALSE(faulty.Rename(b, c, false));
  EXPECT_EQ(GetLastSystemError(), kErrorAccessDenied);
  EXPECT_TRUE(faulty.Fired());
  EXPECT_TRUE(drives.Exists(b));  // the failed call touched nothing
  EXPECT_TRUE(faulty.Rename(b, c, false));
  EXPECT_EQ(faulty.Calls(FaultKind::kRename), 3);
  EXPECT_EQ(faulty.Calls(FaultKind::kDelete), 0);
}

TEST(FaultyFileSystem, FailsWritesOfOpenFilesAndCanStayFailing) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  faulty.FailNth(FaultKind::kWrite, 2, kErrorDiskFull, /*sticky=*/true);
  auto file = faulty.Open(drives.Path('C', "out"), OpenMode::kCreateWrite);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("ab", 2), 2u);
  EXPECT_EQ(file->Write("cd", 2), 2u);
  EXPECT_EQ(file->Write("ef", 2), 0u);
  EXPECT_EQ(GetLastSystemError(), kErrorDiskFull);
  EXPECT_EQ(file->Write("gh", 2), 0u);
  file->Close();
  EXPECT_EQ(drives.ReadFile(drives.Path('C', "out")), "abcd");

  faulty.Reset();
  EXPECT_FALSE(faulty.Fired());
  faulty.FailNth(FaultKind::kCreate, 0, kErrorAccessDenied);
  EXPECT_EQ(faulty.Open(drives.Path('C', "x"), OpenMode::kCreateWrite), nullptr);
  EXPECT_NE(faulty.Open(drives.Path('C', "out"), OpenMode::kRead), nullptr);
}

// A batch of reads is so many reads: the planned one fails, and the batch
// stops there with its error.
TEST(FaultyFileSystem, FailsTheNthReadOfABatch) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string a = drives.Path('D', "a");
  drives.WriteFile(a, "0123456789");
  auto file = faulty.Open(a, OpenMode::kRead);
  ASSERT_NE(file, nullptr);
  const uint64_t offsets[] = {0, 2, 4, 6, 8};
  uint8_t out[10] = {};
  faulty.FailNth(FaultKind::kRead, 3, kErrorReadFault);
  EXPECT_EQ(file->ReadAtEach(offsets, 5, 2, out), 3u);
  EXPECT_EQ(GetLastSystemError(), kErrorReadFault);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), 6), "012345");
  EXPECT_EQ(faulty.Calls(FaultKind::kRead), 4);
  EXPECT_EQ(file->ReadAtEach(offsets, 5, 2, out), 5u);
}

TEST(FaultyFileSystem, ACrashStopsEveryLaterCallWithoutEffect) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string a = drives.Path('D', "a"), b = drives.Path('D', "b");
  drives.WriteFile(a, "1");
  faulty.CrashAt(1);
  EXPECT_TRUE(faulty.Exists(a));  // call 0 runs
  EXPECT_FALSE(faulty.Crashed());
  EXPECT_FALSE(faulty.Rename(a, b, false));  // call 1: the crash
  EXPECT_TRUE(faulty.Crashed());
  EXPECT_FALSE(faulty.Delete(a));
  EXPECT_EQ(faulty.Open(b, OpenMode::kCreateWrite), nullptr);
  EXPECT_EQ(faulty.Find(drives.Path('D', "")), nullptr);
  EXPECT_EQ(GetLastSystemError(), kErrorNotReady);
  EXPECT_EQ(drives.ReadFile(a), "1");
  EXPECT_FALSE(drives.Exists(b));
  EXPECT_EQ(faulty.TotalCalls(), 5);
}

TEST(FaultyFileSystem, FailsCloseSizeFindAndExists) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string a = drives.Path('D', "a");
  drives.WriteFile(a, "1");
  uint64_t size = 0;
  faulty.FailNth(FaultKind::kSize, 0, kErrorReadFault);
  auto file = faulty.Open(a, OpenMode::kRead);
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->Size(&size));
  EXPECT_TRUE(file->Size(&size));
  faulty.FailNth(FaultKind::kClose, 0, kErrorWriteFault);
  EXPECT_FALSE(file->Close());
  EXPECT_EQ(GetLastSystemError(), kErrorWriteFault);
  // The failed close released the file: Windows deletes no open file.
  EXPECT_TRUE(faulty.Delete(a));
  drives.WriteFile(a, "1");
  faulty.FailNth(FaultKind::kExists, 0, kErrorAccessDenied);
  EXPECT_FALSE(faulty.Exists(a));
  EXPECT_TRUE(faulty.Exists(a));
  faulty.FailNth(FaultKind::kFind, 1, kErrorReadFault);
  auto find = faulty.Find(drives.Path('D', ""));
  ASSERT_NE(find, nullptr);  // call 0
  DirEntry entry;
  EXPECT_FALSE(find->Next(&entry));  // call 1 ends the listing
}

// After a power loss each file has the bytes of its last Flush and each
// folder the names of its last FlushFolder; a process death keeps it all.
TEST(FaultyFileSystem, APowerLossKeepsWhatWasFlushedOnly) {
  struct Case {
    const char* name;
    std::function<void(FaultyFileSystem&, const test::TestDrives&)> act;
    std::vector<std::pair<const char*, const char*>> after;  // D:\ path, bytes (null: absent)
    std::vector<std::pair<const char*, const char*>> after_death = {};  // when it differs
  };
  auto write = [](FaultyFileSystem& fs, const std::string& path, const char* bytes, bool flush) {
    auto file = fs.Open(path, OpenMode::kCreateWrite);
    ASSERT_NE(file, nullptr);
    file->Write(bytes, std::strlen(bytes));
    if (flush) {
      ASSERT_TRUE(file->Flush());
    }
    file->Close();
  };
  std::unique_ptr<File> open;  // a file the code under test still has open when the crash comes
  const Case cases[] = {
      {"a new file, flushed with its folder",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         write(fs, d.Path('D', "a\\n"), "new", true);
         fs.FlushFolder(d.Path('D', "a"));
       },
       {{"a\\n", "new"}}},
      {"a new file whose folder was not flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) { write(fs, d.Path('D', "a\\n"), "new", true); },
       {{"a\\n", nullptr}},
       {{"a\\n", "new"}}},
      {"a new file whose bytes were not flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         write(fs, d.Path('D', "a\\n"), "new", false);
         fs.FlushFolder(d.Path('D', "a\\"));
       },
       {{"a\\n", ""}},
       {{"a\\n", "new"}}},
      {"an old file written over",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         write(fs, d.Path('D', "a\\old"), "changed", false);
         fs.FlushFolder(d.Path('D', "a"));
       },
       {{"a\\old", "old"}},
       {{"a\\old", "changed"}}},
      {"a delete, its folder not flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) { fs.Delete(d.Path('D', "a\\old")); },
       {{"a\\old", "old"}},
       {{"a\\old", nullptr}}},
      {"a rename to another folder, that one flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         fs.Rename(d.Path('D', "a\\old"), d.Path('D', "b\\moved"), false);
         fs.FlushFolder(d.Path('D', "b"));
       },
       {{"a\\old", "old"}, {"b\\moved", "old"}},
       {{"a\\old", nullptr}, {"b\\moved", "old"}}},
      {"a rename to another folder, the source's flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         fs.Rename(d.Path('D', "a\\old"), d.Path('D', "b\\moved"), false);
         fs.FlushFolder(d.Path('D', "a"));
       },
       {{"a\\old", nullptr}, {"b\\moved", nullptr}},
       {{"a\\old", nullptr}, {"b\\moved", "old"}}},
      {"a replacing rename in one folder, flushed before a second",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         write(fs, d.Path('D', "a\\tmp"), "new", true);
         fs.Rename(d.Path('D', "a\\tmp"), d.Path('D', "a\\old"), true);
         fs.FlushFolder(d.Path('D', "a"));
         fs.Rename(d.Path('D', "a\\old"), d.Path('D', "a\\later"), false);
       },
       {{"a\\old", "new"}, {"a\\tmp", nullptr}, {"a\\later", nullptr}},
       {{"a\\old", nullptr}, {"a\\tmp", nullptr}, {"a\\later", "new"}}},
      // The crash closes what is open, so that Windows lets the disk be put
      // back; the code's later calls on the file do nothing.
      {"a file still open, written after its flush",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         open = fs.Open(d.Path('D', "a\\old"), OpenMode::kCreateWrite);
         ASSERT_NE(open, nullptr);
         open->Write("flushed", 7);
         ASSERT_TRUE(open->Flush());
         open->Write(" and more", 9);
       },
       {{"a\\old", "flushed"}},
       {{"a\\old", "flushed and more"}}},
      {"a new file still open, its folder not flushed",
       [&](FaultyFileSystem& fs, const test::TestDrives& d) {
         open = fs.Open(d.Path('D', "a\\n"), OpenMode::kCreateWrite);
         ASSERT_NE(open, nullptr);
         open->Write("new", 3);
         ASSERT_TRUE(open->Flush());
       },
       {{"a\\n", nullptr}},
       {{"a\\n", "new"}}},
  };
  for (const Case& c : cases) {
    for (const CrashKind kind : {CrashKind::kProcessDeath, CrashKind::kPowerLoss}) {
      SCOPED_TRACE(std::string(c.name) + (kind == CrashKind::kPowerLoss ? ", power loss" : ", process death"));
      test::TestDrives drives;
      drives.WriteFile(drives.Path('D', "a\\old"), "old");
      drives.WriteFile(drives.Path('D', "b\\other"), "other");
      FileIdentity before;
      ASSERT_TRUE(drives.fs().Identity(drives.Path('D', "a\\old"), &before));
      FaultyFileSystem faulty(drives.fs());
      faulty.CrashAt(1000, kind);
      c.act(faulty, drives);
      faulty.LosePower();
      EXPECT_FALSE(faulty.Exists(drives.Path('D', "a\\old")));  // dead from now on
      if (open) {
        EXPECT_EQ(open->Write("late", 4), 0u);
        EXPECT_FALSE(open->Close());
        open.reset();
      }
      const auto& want = kind == CrashKind::kProcessDeath && !c.after_death.empty() ? c.after_death : c.after;
      for (const auto& [relative, bytes] : want) {
        const std::string path = drives.Path('D', relative);
        if (bytes == nullptr) EXPECT_FALSE(drives.Exists(path)) << relative;
        else if (!drives.Exists(path)) ADD_FAILURE() << relative << " is gone";
        else EXPECT_EQ(drives.ReadFile(path), bytes) << relative;
      }
      EXPECT_EQ(drives.ReadFile(drives.Path('D', "b\\other")), "other");
      // A file a power loss brings back is the same file, as on a disk.
      FileIdentity after;
      if (kind == CrashKind::kPowerLoss && std::string(c.name) == "a delete, its folder not flushed") {
        ASSERT_TRUE(drives.fs().Identity(drives.Path('D', "a\\old"), &after));
        EXPECT_EQ(after, before);
      }
    }
  }
}

}  // namespace
}  // namespace mendora
