#include "refavi/Layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace mendora {
namespace {

TEST(Layout, FourccsAreLittleEndianValues) {
  EXPECT_EQ(fcc::RIFF, 0x46464952u);
  EXPECT_EQ(fcc::REF_, 0x20464552u);
  EXPECT_EQ(fcc::REFI, 0x49464552u);
  EXPECT_EQ(fcc::id00db, 0x62643030u);
  EXPECT_EQ(StdIndexChunkId(1), fcc::ix01);
  EXPECT_EQ(FrameChunkId(1, kKindAudio), fcc::id01wb);
}

TEST(Layout, FourccTextBlanksUnprintableBytes) {
  EXPECT_EQ(FourccText(fcc::AVI_), "AVI ");
  EXPECT_EQ(FourccText(0x7F000A41u), "A   ");
  EXPECT_EQ(FourccText(0xFFFFFFFFu), "    ");
}

TEST(Layout, SizesAndFields) {
  EXPECT_EQ(RoundedSize(0), 0u);
  EXPECT_EQ(RoundedSize(3), 4u);
  EXPECT_EQ(RoundedSize(4), 4u);
  EXPECT_EQ(RoundedSize(0xFFFFFFFFu), 0x100000000ull);  // no wrap to 0
  // REF path fields: L = 0, 12, 13, 16 give 4, 16, 16, 20 bytes.
  EXPECT_EQ(RefPathFieldSize(0), 4u);
  EXPECT_EQ(RefPathFieldSize(12), 16u);
  EXPECT_EQ(RefPathFieldSize(13), 16u);
  EXPECT_EQ(RefPathFieldSize(16), 20u);
  EXPECT_EQ(RefPathFieldSize(0xFFFFFFFFu), 0x100000000ull);
  EXPECT_EQ(kMaxRefRecordSize, RefRecordLayout::kHeaderSize + kMaxRefPath);
  EXPECT_TRUE(IsReferenceChunkSize(276));
  EXPECT_FALSE(IsReferenceChunkSize(277));
  EXPECT_FALSE(IsReferenceChunkSize(0));
}

TEST(Layout, MoviPadPutsListHeader12PastA512Multiple) {
  for (uint64_t end : {12ull, 13ull, 20ull, 21ull, 500ull, 524ull, 0x1234567ull}) {
    const uint32_t pad = MoviPadSize(end);
    EXPECT_GE(pad, 1u);
    EXPECT_LE(pad, 512u);
    EXPECT_EQ((end + pad - 12) % 512, 0u) << end;
  }
}

TEST(Layout, ChunkIdsAndWholeFilePaths) {
  EXPECT_EQ(ChunkKind(fcc::id01wb), 'w');
  EXPECT_EQ(ChunkStreamNumber(fcc::id01wb), 1);
  EXPECT_TRUE(IsDataFrameChunkId(fcc::id00db));
  EXPECT_FALSE(IsDataFrameChunkId(fcc::id00dc));
  EXPECT_FALSE(IsDataFrameChunkId(MakeFourcc("x0db")));
  EXPECT_TRUE(IsDvHandlerText(MakeFourcc("KzVq")));
  EXPECT_FALSE(IsDvHandlerText(fcc::dsvd));
  EXPECT_TRUE(IsWholeFilePath("C:\\a\\clip.001"));
  EXPECT_FALSE(IsWholeFilePath("C:\\a\\clip.avi"));
  EXPECT_FALSE(IsWholeFilePath("C:\\a\\clip.AVI"));
  EXPECT_FALSE(IsWholeFilePath("a.01"));
  EXPECT_TRUE(IsDvGeometry(1024, 576));
  EXPECT_FALSE(IsDvGeometry(720, 486));
}

TEST(Layout, RecordsRefuseShortDataAndRoundTrip) {
  std::vector<uint8_t> bytes(AviStdIndexHeader::kSize);
  AviStdIndexHeader ix;
  ix.fcc = fcc::ix00;
  ix.nEntriesInUse = 7;
  ix.dwChunkId = fcc::id00db;
  ix.qwBaseOffset = 0x123456789ull;
  ix.Encode(bytes.data());
  AviStdIndexHeader back;
  ASSERT_TRUE(AviStdIndexHeader::Decode(bytes.data(), bytes.size(), &back));
  EXPECT_EQ(back.qwBaseOffset, 0x123456789ull);
  EXPECT_EQ(LoadU32(bytes.data() + AviStdIndexHeader::kOffEntriesInUse), 7u);
  EXPECT_FALSE(AviStdIndexHeader::Decode(bytes.data(), bytes.size() - 1, &back));

  AviMainHeader avih;
  EXPECT_FALSE(AviMainHeader::Decode(bytes.data(), AviMainHeader::kSize - 1, &avih));
  WaveFormatEx wave;
  EXPECT_TRUE(WaveFormatEx::Decode(bytes.data(), WaveFormatEx::kMinSize, &wave));
  EXPECT_FALSE(WaveFormatEx::Decode(bytes.data(), WaveFormatEx::kMinSize - 1, &wave));
}

}  // namespace
}  // namespace mendora
