// The file system's Windows semantics, on the test's own drives: natively
// over the drive map, under Wine on real drive letters.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/last_error.h"
#include "support/test_drives.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/fs_posix.h"
#include "platform/posix/read_ring.h"
#endif

namespace mendora {
namespace {

using test::TestDrives;

class FileSystemTest : public ::testing::Test {
 protected:
  TestDrives drives;
  FileSystem& fs = drives.fs();
};

TEST_F(FileSystemTest, ExistsIsAnExactSearch) {
  drives.WriteFile(drives.Path('D', "clips\\take1.001"), "abc");
  EXPECT_TRUE(fs.Exists(drives.Path('D', "clips\\take1.001")));
  EXPECT_TRUE(fs.Exists(drives.Path('D', "clips")));
  EXPECT_FALSE(fs.Exists(drives.Path('D', "clips\\take1.002")));
  EXPECT_FALSE(fs.Exists(drives.Path('D', "clips\\")));
  EXPECT_FALSE(fs.Exists(drives.Path('D', "nowhere\\take1.001")));
  EXPECT_FALSE(fs.Exists(""));
}

TEST_F(FileSystemTest, AttributesAndSize) {
  const std::string file = drives.Path('D', "a.avi");
  drives.WriteFile(file, std::string(1000, 'x'));
  uint64_t size = 0;
  ASSERT_TRUE(fs.GetSize(file, &size));
  EXPECT_EQ(size, 1000u);

  EXPECT_EQ(fs.GetAttributes(file) & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory), 0u);
  ASSERT_TRUE(fs.SetAttributes(file, kAttrReadOnly | kAttrHidden));
  EXPECT_EQ(fs.GetAttributes(file) & (kAttrReadOnly | kAttrHidden | kAttrSystem), kAttrReadOnly | kAttrHidden);
  ASSERT_TRUE(fs.SetAttributes(file, kAttrSystem));
  EXPECT_EQ(fs.GetAttributes(file) & (kAttrReadOnly | kAttrHidden | kAttrSystem), kAttrSystem);
  ASSERT_TRUE(fs.SetAttributes(file, kAttrNormal));
  EXPECT_EQ(fs.GetAttributes(file) & (kAttrReadOnly | kAttrHidden | kAttrSystem), 0u);

  EXPECT_NE(fs.GetAttributes(drives.Path('D', "")) & kAttrDirectory, 0u);
  EXPECT_EQ(fs.GetAttributes(drives.Path('D', "missing")), kInvalidAttributes);
  EXPECT_FALSE(fs.GetSize(drives.Path('D', "missing"), &size));
}

TEST_F(FileSystemTest, ReadOnlyFilesRefuseWritingAndDeleting) {
  const std::string file = drives.Path('D', "ro.avi");
  drives.WriteFile(file, "keep");
  ASSERT_TRUE(fs.SetAttributes(file, kAttrReadOnly));

  EXPECT_EQ(fs.Access(file, false), AccessResult::kOk);
  EXPECT_EQ(fs.Access(file, true), AccessResult::kDenied);
  EXPECT_EQ(fs.Access(drives.Path('D', "missing"), false), AccessResult::kNotFound);

  EXPECT_FALSE(fs.Delete(file));
  EXPECT_EQ(GetLastSystemError(), kErrorAccessDenied);

  if (!test::UnderWine()) {
    EXPECT_EQ(fs.Open(file, OpenMode::kCreateWrite), nullptr);
    EXPECT_EQ(GetLastSystemError(), kErrorAccessDenied);
    const std::string other = drives.Path('D', "other.avi");
    drives.WriteFile(other, "new");
    EXPECT_FALSE(fs.Rename(other, file, true));
    EXPECT_EQ(drives.ReadFile(file), "keep");
  }

  // A read-only file may itself be renamed.
  EXPECT_TRUE(fs.Rename(file, drives.Path('D', "ro2.avi"), false));
  ASSERT_TRUE(fs.SetAttributes(drives.Path('D', "ro2.avi"), kAttrNormal));
}

TEST_F(FileSystemTest, RenameStaysOnOneVolume) {
  const std::string source = drives.Path('D', "take1.001");
  drives.WriteFile(source, "frames");

  if (!test::UnderWine()) {
    EXPECT_FALSE(fs.Rename(source, drives.Path('E', "take1.001"), false));
    EXPECT_EQ(GetLastSystemError(), kErrorNotSameDevice);
    EXPECT_TRUE(drives.Exists(source));
  }

  const std::string target = drives.Path('D', "moved\\take1.001");
  EXPECT_FALSE(fs.Rename(source, target, false));  // no such folder
  ASSERT_TRUE(fs.CreateDir(drives.Path('D', "moved")));
  ASSERT_TRUE(fs.Rename(source, target, false));
  EXPECT_FALSE(drives.Exists(source));
  EXPECT_EQ(drives.ReadFile(target), "frames");
}

TEST_F(FileSystemTest, RenameReplacesOnlyWhenAsked) {
  const std::string a = drives.Path('C', "a.avi"), b = drives.Path('C', "b.avi");
  drives.WriteFile(a, "new");
  drives.WriteFile(b, "old");
  EXPECT_FALSE(fs.Rename(a, b, false));
  EXPECT_EQ(GetLastSystemError(), kErrorAlreadyExists);
  EXPECT_EQ(drives.ReadFile(b), "old");
  ASSERT_TRUE(fs.Rename(a, b, true));
  EXPECT_EQ(drives.ReadFile(b), "new");
  EXPECT_FALSE(drives.Exists(a));
}

TEST_F(FileSystemTest, MoveCrossesVolumesWithAttributes) {
  const std::string source = drives.Path('D', "take1.002");
  const std::string target = drives.Path('E', "take1.002");
  drives.WriteFile(source, std::string(3 << 20, 'q'));
  ASSERT_TRUE(fs.SetAttributes(source, kAttrHidden));

  ASSERT_TRUE(fs.Move(source, target));
  EXPECT_FALSE(drives.Exists(source));
  EXPECT_EQ(drives.ReadFile(target), std::string(3 << 20, 'q'));
  EXPECT_NE(fs.GetAttributes(target) & kAttrHidden, 0u);

  // MoveFile never replaces.
  drives.WriteFile(source, "other");
  EXPECT_FALSE(fs.Move(source, target));
  EXPECT_TRUE(drives.Exists(source));
  EXPECT_EQ(drives.ReadFile(target).size(), size_t{3 << 20});
}

TEST_F(FileSystemTest, FilesReadWriteAndGrowBySeeking) {
  const std::string path = drives.Path('C', "out.avi");
  auto out = fs.Open(path, OpenMode::kCreateWrite);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Write("RIFF", 4), 4u);
  ASSERT_TRUE(out->Seek(16384 + 4));
  ASSERT_TRUE(out->SetEnd());
  uint64_t size = 0;
  ASSERT_TRUE(out->Size(&size));
  EXPECT_EQ(size, 16388u);
  EXPECT_EQ(out->Write("END!", 4), 4u);
  ASSERT_TRUE(out->Close());

  auto in = fs.Open(path, OpenMode::kRead);
  ASSERT_NE(in, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(in->Read(buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "RIFF");
  EXPECT_EQ(in->ReadAt(16388, buffer, 8), 4u);  // short at the end
  EXPECT_EQ(std::string(buffer, 4), "END!");
  EXPECT_EQ(in->ReadAt(100, buffer, 1), 1u);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(in->Tell(), 4u);

  EXPECT_EQ(fs.Open(drives.Path('C', "missing.avi"), OpenMode::kRead), nullptr);
  EXPECT_EQ(GetLastSystemError(), kErrorFileNotFound);
  EXPECT_EQ(fs.Open(path, OpenMode::kCreateNewWrite), nullptr);
}

// The ways a file can serve ReadAtEach here: the system file system's own
// and, natively, the pread fallback, large batches split between two
// threads, and the io_uring ring by itself.
#ifndef _WIN32
size_t EntriesOf(const char* folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}
#endif

struct BatchReader {
  std::string name;
  std::function<size_t(const std::vector<uint64_t>& offsets, size_t size, uint8_t* out)> read;
  bool sets_error;  // the file's reads leave the error of the short read
};

TEST_F(FileSystemTest, ReadAtEachReadsAsReadAtUpToTheFirstShortRead) {
  std::string content(10000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 % 251);
  const std::string path = drives.Path('D', "clips\\take1.001");
  drives.WriteFile(path, content);

#ifndef _WIN32
  // Helper threads and the files they open must all be gone once the files
  // are closed. (A thread first, as the thread sanitizer starts one of its
  // own at the first thread a process makes.)
  std::thread([] {}).join();
  const size_t threads = EntriesOf("/proc/self/task"), fds = EntriesOf("/proc/self/fd");
#endif
  std::vector<BatchReader> readers;
  auto file = fs.Open(path, OpenMode::kRead);
  ASSERT_NE(file, nullptr);
  readers.push_back({"system", [&](const std::vector<uint64_t>& o, size_t size, uint8_t* out) {
                       return file->ReadAtEach(o.data(), o.size(), size, out);
                     }, true});
#ifndef _WIN32
  DriveMap map;
  map.Set('D', drives.Native(drives.Root('D')));
  // The fallback, and large batches split whether or not the machine has two
  // CPUs, the helper thread always reading its part.
  PosixFileSystem pread_fs(map, ReadBatching::kPread), split_fs(map, ReadBatching::kRingTwoThreads);
  std::vector<std::unique_ptr<File>> files;
  for (auto [name, batching_fs] : {std::pair<const char*, PosixFileSystem*>{"pread fallback", &pread_fs},
                                   {"two threads", &split_fs}}) {
    files.push_back(batching_fs->Open(path, OpenMode::kRead));
    ASSERT_NE(files.back(), nullptr) << name;
    File* f = files.back().get();
    readers.push_back({name, [f](const std::vector<uint64_t>& o, size_t size, uint8_t* out) {
                         return f->ReadAtEach(o.data(), o.size(), size, out);
                       }, true});
  }
  const int fd = ::open(drives.Native(path).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  std::unique_ptr<ReadRing> ring = ReadRing::Create(fd);
  if (ring) {
    readers.push_back({"io_uring ring", [&](const std::vector<uint64_t>& o, size_t size, uint8_t* out) {
                         return ring->ReadAtEach(o.data(), o.size(), size, out);
                       }, false});
  } else {
    std::printf("no io_uring here: the system file system reads with pread\n");
  }
#endif

  // More reads than a ring holds at once, too few to be split, in no order,
  // the 300th short.
  std::vector<uint64_t> many, many_short;
  for (uint64_t i = 0; i < 400; ++i) many.push_back(i * 7919 % 9990);
  many_short = many;
  many_short[300] = 9996;
  // A batch large enough to be split between two threads, which take it in
  // chunks from either end: a short read early, late, at both, at the very
  // end.
  constexpr size_t split = 2053;  // chunks of uneven length
#ifndef _WIN32
  static_assert(400 < kSplitReadBatch && split >= kSplitReadBatch);
#endif
  std::vector<uint64_t> split_all, split_early, split_late, split_both, split_last;
  for (uint64_t i = 0; i < split; ++i) split_all.push_back(i * 7919 % 9990);
  split_early = split_late = split_both = split_last = split_all;
  split_early[3] = 9996;
  split_late[split - 40] = 10000;
  split_both[split / 2 + 1] = split_both[split - 2] = 9993;
  split_last[split - 1] = 9999;
  struct Case {
    const char* name;
    std::vector<uint64_t> offsets;
    size_t size;
    size_t whole;  // reads whole, from the first
  } cases[] = {
      {"inside, in any order, one twice", {0, 4096, 17, 9992, 4096}, 8, 5},
      {"across pages", {4000, 0}, 4096, 2},
      {"single bytes", {9999, 0, 5000}, 1, 3},
      {"short at the end", {0, 9996, 8}, 8, 1},
      {"at the end", {8, 10000}, 8, 1},
      {"past the end", {15000, 0}, 8, 0},
      {"none", {}, 8, 0},
      {"many", many, 8, 400},
      {"many, one short", many_short, 8, 300},
      {"split", split_all, 8, split},
      {"split, short early", split_early, 8, 3},
      {"split, short late", split_late, 8, split - 40},
      {"split, short twice", split_both, 8, split / 2 + 1},
      {"split, the last short", split_last, 8, split - 1},
  };
  for (const BatchReader& reader : readers) {
    for (const Case& c : cases) {
      SCOPED_TRACE(reader.name + ": " + c.name);
      std::vector<uint8_t> out(c.offsets.size() * c.size + 1, 0xEE);
      SetLastSystemError(0);
      const size_t whole = reader.read(c.offsets, c.size, out.data());
      EXPECT_EQ(whole, c.whole);
      for (size_t k = 0; k < std::min(whole, c.whole); ++k)
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(out.data()) + k * c.size, c.size),
                  content.substr(c.offsets[k], c.size)) << "read " << k;
      if (reader.sets_error && c.whole < c.offsets.size()) {
        EXPECT_EQ(GetLastSystemError(), kErrorHandleEof);
      }
      EXPECT_EQ(out.back(), 0xEE);  // nothing past the last read
    }
  }
#ifndef _WIN32
  ring.reset();
  ::close(fd);
  EXPECT_TRUE(file->Close());
  for (const auto& f : files) EXPECT_TRUE(f->Close());
  EXPECT_EQ(EntriesOf("/proc/self/task"), threads);
  EXPECT_EQ(EntriesOf("/proc/self/fd"), fds);
#endif
}

TEST_F(FileSystemTest, FindListsAFolder) {
  drives.WriteFile(drives.Path('E', "x\\one.001"), "1");
  drives.WriteFile(drives.Path('E', "x\\two.001"), "22");
  ASSERT_TRUE(fs.CreateDir(drives.Path('E', "x\\sub")));
  auto find = fs.Find(drives.Path('E', "x"));
  ASSERT_NE(find, nullptr);
  std::map<std::string, DirEntry> seen;
  DirEntry entry;
  while (find->Next(&entry)) seen[entry.name] = entry;
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen["two.001"].size, 2u);
  EXPECT_NE(seen["sub"].attributes & kAttrDirectory, 0u);
  EXPECT_EQ(seen["one.001"].attributes & kAttrDirectory, 0u);
  EXPECT_EQ(fs.Find(drives.Path('E', "nowhere")), nullptr);
}

TEST_F(FileSystemTest, CurrentFolderAndIdentity) {
  ASSERT_TRUE(fs.CreateDir(drives.Path('D', "video")));
  ASSERT_TRUE(fs.SetCurrentDir(drives.Path('D', "video\\")));
  EXPECT_EQ(fs.GetCurrentDir(), drives.Path('D', "video"));
  EXPECT_FALSE(fs.SetCurrentDir(drives.Path('D', "gone\\")));
  EXPECT_EQ(fs.GetCurrentDir(), drives.Path('D', "video"));

  const std::string a = drives.Path('D', "video\\a.avi");
  drives.WriteFile(a, "a");
  drives.WriteFile(drives.Path('D', "video\\b.avi"), "a");
  FileIdentity one, two, three;
  ASSERT_TRUE(fs.Identity(a, &one));
  ASSERT_TRUE(fs.Identity(drives.Path('D', "video\\\\a.avi"), &two));
  ASSERT_TRUE(fs.Identity(drives.Path('D', "video\\b.avi"), &three));
  EXPECT_EQ(one, two);
  EXPECT_FALSE(one == three);

  const uint32_t present = fs.LogicalDrives();
  EXPECT_NE(present & (1u << ('D' - 'A')), 0u);
  EXPECT_NE(present & (1u << ('E' - 'A')), 0u);
}

TEST(SystemErrorText, GivesThePlatformSentence) {
  EXPECT_FALSE(SystemErrorText(kErrorAccessDenied).empty());
  EXPECT_NE(SystemErrorText(kErrorAccessDenied), SystemErrorText(kErrorDiskFull));
  EXPECT_FALSE(SystemErrorText(0xDEAD).empty());
}

}  // namespace
}  // namespace mendora
