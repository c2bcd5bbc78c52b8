#include "refavi/BufferedFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "support/memory_fs.h"

namespace mendora {
namespace {

using test::MemoryFileSystem;

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 65536) & 0xFF);
  return s;
}

class BufferedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    content_ = Pattern(3 * 65536 + 5000);
    fs_.Add("C:\\f.avi", content_);
    ASSERT_EQ(file_.Open("C:\\f.avi", 0), 1);
  }
  MemoryFileSystem fs_;
  BufferedFile file_{fs_};
  std::string content_;
};

TEST_F(BufferedFileTest, EverySystemReadIsAnAlignedWholeBlock) {
  char buffer[100];
  file_.SeekTo(65530);
  file_.Read(buffer, 100);
  file_.SeekTo(3 * 65536 + 10);
  file_.Read(buffer, 100);
  for (const auto& call : fs_.reads()) {
    EXPECT_EQ(call.offset % 65536, 0u);
    EXPECT_EQ(call.size, 65536u);
  }
}

TEST_F(BufferedFileTest, ReadAcrossABlockBoundaryLoadsOneBlock) {
  ASSERT_TRUE(file_.SeekTo(65532));
  fs_.ClearReads();
  char buffer[8];
  ASSERT_EQ(file_.Read(buffer, 8), 8u);
  EXPECT_EQ(std::string(buffer, 8), content_.substr(65532, 8));
  ASSERT_EQ(fs_.reads().size(), 1u);
  EXPECT_EQ(fs_.reads()[0].offset, 65536u);
}

TEST_F(BufferedFileTest, SeekInsideTheLoadedBlockTouchesNoFile) {
  ASSERT_TRUE(file_.SeekTo(10));
  fs_.ClearReads();
  EXPECT_EQ(file_.Seek(65535, 0), 65535u);
  EXPECT_TRUE(fs_.reads().empty());
  EXPECT_EQ(file_.Seek(1, 1), 65536u);
  ASSERT_EQ(fs_.reads().size(), 1u);
  EXPECT_EQ(fs_.reads()[0].offset, 65536u);
  char c;
  ASSERT_EQ(file_.Read(&c, 1), 1u);
  EXPECT_EQ(c, content_[65536]);
}

TEST_F(BufferedFileTest, LargeAlignedReadsGoStraightToTheCaller) {
  const size_t count = 200000;
  auto* raw = static_cast<char*>(::operator new[](count, std::align_val_t{4096}));
  fs_.ClearReads();
  ASSERT_EQ(file_.Read(raw, count), count);
  EXPECT_EQ(std::string(raw, count), content_.substr(0, count));
  ASSERT_EQ(fs_.reads().size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(fs_.reads()[i].destination, raw + i * 65536);
  EXPECT_NE(fs_.reads()[3].destination, raw + 3 * 65536);  // the last 3392 bytes through the block
  EXPECT_EQ(file_.Tell(), count);
  ::operator delete[](raw, std::align_val_t{4096});
}

TEST_F(BufferedFileTest, UnalignedCallerBuffersAreServedThroughTheBlock) {
  std::string buffer(70000, '\0');
  char* unaligned = buffer.data() + 1;
  if (reinterpret_cast<uintptr_t>(unaligned) % 4096 == 0) ++unaligned;
  ASSERT_EQ(file_.Read(unaligned, 65536), 65536u);
  EXPECT_EQ(std::string(unaligned, 65536), content_.substr(0, 65536));
  for (const auto& call : fs_.reads()) EXPECT_NE(call.destination, unaligned);
}

TEST_F(BufferedFileTest, ReadsStopAtTheEndOfTheFile) {
  char buffer[8];
  ASSERT_TRUE(file_.SeekTo(content_.size() - 4));
  EXPECT_EQ(file_.Read(buffer, 8), 4u);
  EXPECT_EQ(file_.Read(buffer, 8), 0u);
  EXPECT_EQ(file_.Tell(), content_.size());
}

TEST_F(BufferedFileTest, SeekFailuresLeaveThePositionAlone) {
  ASSERT_TRUE(file_.SeekTo(100));
  EXPECT_EQ(file_.Seek(0, 2), 0u);
  EXPECT_EQ(file_.Tell(), 100u);
  EXPECT_EQ(file_.Seek(static_cast<int64_t>(content_.size()) + 1, 0), 0u);
  EXPECT_EQ(file_.Tell(), 100u);
  EXPECT_EQ(file_.Seek(-101, 1), 0u);
  EXPECT_EQ(file_.Tell(), 100u);
  EXPECT_TRUE(file_.SeekTo(content_.size()));
}

TEST(BufferedFile, SeekToTheEndOfABlockMultipleFileReadsNothing) {
  MemoryFileSystem fs;
  fs.Add("C:\\two.bin", Pattern(2 * 65536));
  BufferedFile file(fs);
  ASSERT_EQ(file.Open("C:\\two.bin", 0), 1);
  ASSERT_TRUE(file.SeekTo(2 * 65536));
  char c;
  EXPECT_EQ(file.Read(&c, 1), 0u);
}

TEST(BufferedFile, FailedSystemReadEndsTheReadAfterTheBytesDelivered) {
  MemoryFileSystem fs;
  const std::string content = Pattern(3 * 65536);
  fs.Add("C:\\f.bin", content);
  BufferedFile file(fs);
  ASSERT_EQ(file.Open("C:\\f.bin", 0), 1);
  fs.FailReadsFrom(1);
  std::string buffer(100000, '\0');
  EXPECT_EQ(file.Read(buffer.data() + 1, 100000), 65536u);
  EXPECT_EQ(file.Tell(), 65536u);
}

TEST(BufferedFile, OpenFailsForMissingFilesAndOtherModes) {
  MemoryFileSystem fs;
  fs.Add("C:\\f.bin", "x");
  BufferedFile file(fs);
  EXPECT_EQ(file.Open("C:\\missing.bin", 0), 0);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Open("C:\\f.bin", 1), 0);
  ASSERT_EQ(file.Open("C:\\f.bin", 0), 1);
  EXPECT_EQ(file.Name(), "C:\\f.bin");
  EXPECT_EQ(file.Size(), 1u);
  file.Close();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(file.Name(), "");
}

}  // namespace
}  // namespace mendora
