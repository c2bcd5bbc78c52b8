// PlainFile: positions, lengthening by seeking, buffered reads and writes
// that keep every byte where an unbuffered file would put it.
#include <gtest/gtest.h>

#include <string>

#include "support/counting_fs.h"
#include "support/faulty_fs.h"
#include "rewrite/PlainFile.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

TEST(PlainFile, SeekingPastTheEndLengthensANewFileAtOnce) {
  test::TestDrives drives;
  const std::string path = drives.Path('C', "out.bin");
  PlainFile file(drives.fs());
  ASSERT_EQ(file.Open(path, OpenMode::kCreateWrite), 1);
  EXPECT_EQ(file.Write("abcd", 4), 4u);
  EXPECT_EQ(file.Seek(16384, PlainFile::kCurrent), 16388u);
  EXPECT_EQ(file.Size(), 16388u);
  uint64_t on_disk = 0;
  ASSERT_TRUE(drives.fs().GetSize(path, &on_disk));
  EXPECT_EQ(on_disk, 16388u);  // before anything is written there
  EXPECT_EQ(file.Write("z", 1), 1u);
  EXPECT_EQ(file.Close(), 1);
  const std::string bytes = drives.ReadFile(path);
  ASSERT_EQ(bytes.size(), 16389u);
  EXPECT_EQ(bytes.substr(0, 4), "abcd");
  EXPECT_EQ(bytes.substr(4, 16384), std::string(16384, '\0'));
  EXPECT_EQ(bytes.back(), 'z');
}

TEST(PlainFile, OverwritesAndReadsBackAcrossBufferBoundaries) {
  test::TestDrives drives;
  const std::string path = drives.Path('C', "big.bin");
  std::string expected(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<char>(i * 7);
  PlainFile out(drives.fs());
  ASSERT_EQ(out.Open(path, OpenMode::kCreateWrite), 1);
  // Small and large writes mixed, then a patch over the start.
  size_t at = 0;
  for (size_t step : {3u, 8u, 700000u, 1u, 2000000u, 5u}) {
    ASSERT_EQ(out.Write(expected.data() + at, step), step);
    at += step;
  }
  ASSERT_EQ(out.Write(expected.data() + at, expected.size() - at), expected.size() - at);
  expected.replace(10, 4, "WXYZ");
  EXPECT_EQ(out.Seek(10, PlainFile::kBegin), 10u);
  EXPECT_EQ(out.Write("WXYZ", 4), 4u);
  EXPECT_EQ(out.Tell(), 14u);
  EXPECT_EQ(out.Close(), 1);
  EXPECT_EQ(drives.ReadFile(path), expected);

  PlainFile in(drives.fs());
  ASSERT_EQ(in.Open(path, OpenMode::kRead), 1);
  EXPECT_EQ(in.Size(), expected.size());
  std::string got(expected.size(), '\0');
  size_t done = 0;
  for (size_t step : {8u, 4u, 300000u, 1u}) {
    ASSERT_EQ(in.Read(got.data() + done, step), step);
    done += step;
  }
  // Seeking back over a list type just read.
  EXPECT_EQ(in.Seek(-4, PlainFile::kCurrent), done - 4);
  done -= 4;
  ASSERT_EQ(in.Read(got.data() + done, got.size() - done), got.size() - done);
  EXPECT_EQ(got, expected);
  char extra;
  EXPECT_EQ(in.Read(&extra, 1), 0u);  // at the end
  EXPECT_EQ(in.Seek(5, PlainFile::kBegin), 5u);
  char five[3];
  ASSERT_EQ(in.Read(five, 3), 3u);
  EXPECT_EQ(std::string(five, 3), expected.substr(5, 3));
  EXPECT_EQ(in.Close(), 1);
}

TEST(PlainFile, TwoCursorsOverSparseAndDenseChunksReadTheRightBytes) {
  // The copy reads along two indexes: small chunks packed together, and
  // small chunks far apart (sound between DV frames).
  test::TestDrives drives;
  const std::string path = drives.Path('C', "mixed.bin");
  std::string bytes(20 * 1024 * 1024, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 11);
  drives.WriteFile(path, bytes);
  PlainFile in(drives.fs());
  ASSERT_EQ(in.Open(path, OpenMode::kRead), 1);
  uint64_t dense = 0, sparse = 3 * 1024 * 1024;
  for (int i = 0; i < 400; ++i) {
    const bool far = i % 3 == 0;
    uint64_t& at = far ? sparse : dense;
    const size_t n = far ? 4104 : 68 + i % 7;
    std::string got(n, '\0');
    in.Seek(static_cast<int64_t>(at), PlainFile::kBegin);
    ASSERT_EQ(in.Read(got.data(), n), n);
    ASSERT_EQ(got, bytes.substr(at, n)) << i;
    at += far ? 124104 : n + 6400;
  }
  EXPECT_EQ(in.Close(), 1);
}

TEST(PlainFile, TwoStreamsCopiedFromOneRegionReadItAboutOnce) {
  // The copy of a reference with sound beside every frame: the video index
  // picks the small REF records out from between the sound chunks, running
  // ahead; the sound index follows far behind and takes the chunks whole.
  // The record reader's windows would hold mostly sound: it reads on its
  // own, and the file is read about once, not once per stream.
  constexpr size_t kRecord = 64, kSound = 6416, kFrames = 600, kFramesPerSound = 32;
  test::TestDrives drives;
  const std::string path = drives.Path('C', "ref.bin");
  std::string bytes(kFrames * (kRecord + kSound), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 11);
  drives.WriteFile(path, bytes);
  test::CountingFileSystem fs(drives.fs(), path);
  PlainFile in(fs);
  ASSERT_EQ(in.Open(path, OpenMode::kRead), 1);
  auto read = [&](uint64_t at, size_t n) {
    std::string got(n, '\0');
    in.Seek(static_cast<int64_t>(at), PlainFile::kBegin);
    return in.Read(got.data(), n) == n && got == bytes.substr(at, n);
  };
  size_t sound = 0;
  for (size_t frame = 0; frame < kFrames; ++frame) {
    ASSERT_TRUE(read(frame * (kRecord + kSound), kRecord)) << frame;
    if ((frame + 1) % kFramesPerSound == 0) {
      ASSERT_TRUE(read(sound * (kRecord + kSound) + kRecord, kSound)) << sound;
      ++sound;
    }
  }
  for (; sound < kFrames; ++sound) ASSERT_TRUE(read(sound * (kRecord + kSound) + kRecord, kSound)) << sound;
  EXPECT_EQ(in.Close(), 1);
  EXPECT_LE(fs.bytes_read(), bytes.size() * 11 / 10) << "of " << bytes.size();
}

TEST(PlainFile, ClosingANeverOpenedFileSucceeds) {
  test::TestDrives drives;
  PlainFile file(drives.fs());
  EXPECT_EQ(file.Close(), 1);
  EXPECT_EQ(file.Open(drives.Path('C', "missing.avi"), OpenMode::kRead), 0);
  EXPECT_EQ(file.Close(), 1);
  char c;
  EXPECT_EQ(file.Read(&c, 1), 0u);
  EXPECT_EQ(file.Write(&c, 1), 0u);
}

TEST(PlainFile, AFailedWriteFailsThatCallOrTheNextAndTheClose) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string path = drives.Path('C', "out.bin");
  // A large write goes straight to the file and fails at once.
  {
    PlainFile file(faulty);
    ASSERT_EQ(file.Open(path, OpenMode::kCreateWrite), 1);
    faulty.FailNth(FaultKind::kWrite, 0, kErrorDiskFull, true);
    const std::string big(2 * 1024 * 1024, 'x');
    EXPECT_EQ(file.Write(big.data(), big.size()), 0u);
    EXPECT_EQ(file.Write("a", 1), 0u);
    EXPECT_EQ(file.Close(), 0);
  }
  // Small writes are held back; the loss shows at the seek that lengthens
  // the file, and every write after it fails.
  faulty.Reset();
  {
    PlainFile file(faulty);
    ASSERT_EQ(file.Open(path, OpenMode::kCreateWrite), 1);
    EXPECT_EQ(file.Write("abcd", 4), 4u);
    faulty.FailNth(FaultKind::kWrite, 0, kErrorDiskFull, true);
    file.Seek(1000, PlainFile::kCurrent);
    EXPECT_EQ(file.Write("a", 1), 0u);
    EXPECT_EQ(file.Close(), 0);
  }
}

}  // namespace
}  // namespace mendora
