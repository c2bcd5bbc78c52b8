// Frame positions and sources: the two index forms, REFI blocks and the
// resolution of reference chunks.
#include <gtest/gtest.h>

#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

const char kA[] = "D:\\clips\\tape1.001";

// Positions of the test's frames, as the file holds them.
void ExpectPositionsName(const std::string& avi, const StreamEntry& stream, uint32_t id) {
  for (uint64_t p : stream.positions) EXPECT_EQ(test::IdAt(avi, p), id) << p;
}

TEST(StreamTable, FindByChunkIdAndKind) {
  StreamTable table;
  std::vector<uint8_t> vids(8 + 56, 0), auds(8 + 56, 0);
  StoreU32(vids.data() + 8, fcc::vids);
  StoreU32(auds.data() + 8, fcc::auds);
  std::vector<uint8_t> txts = vids;
  StoreU32(txts.data() + 8, MakeFourcc("txts"));
  ASSERT_TRUE(table.Add(nullptr, auds));
  ASSERT_TRUE(table.Add(nullptr, vids));
  EXPECT_FALSE(table.Add(nullptr, txts));
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("00wb")), table.at(0));
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("01db")), table.at(1));
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("00db")), nullptr);  // stream 0 is audio
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("01dc")), table.at(1));
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("02db")), nullptr);
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("7Fxx")), nullptr);
  EXPECT_EQ(table.FindByChunkId(MakeFourcc("ix01")), nullptr);
  EXPECT_EQ(table.FindByKind(StreamEntry::kVideo, 0), table.at(1));
  EXPECT_EQ(table.FindByKind(StreamEntry::kAudio, 1), nullptr);
}

TEST(StreamTable, Idx1RelativeAndAbsoluteGiveTheSamePositions) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.frames = {FrameSpec::Ref(kA), FrameSpec::Data(300), FrameSpec::Ref(kA, 120008)};
  MemoryFileSystem fs;
  const std::string absolute = test::BuildAvi(recipe);
  recipe.idx1 = AviSpec::Idx1::kRelative;
  const std::string relative = test::BuildAvi(recipe);
  ASSERT_EQ(absolute.size(), relative.size());
  fs.Add("C:\\abs.avi", absolute);
  fs.Add("C:\\rel.avi", relative);
  test::Analysis a = test::Analyze(fs, "C:\\abs.avi");
  test::Analysis r = test::Analyze(fs, "C:\\rel.avi");
  const VideoStream& va = *a.reader->selected_video_stream();
  const VideoStream& vr = *r.reader->selected_video_stream();
  ASSERT_EQ(va.positions.size(), 3u);
  EXPECT_EQ(va.positions, vr.positions);
  ExpectPositionsName(absolute, va, fcc::id00db);
  ExpectPositionsName(absolute, *a.reader->selected_audio_stream(), fcc::id01wb);
  EXPECT_EQ(r.reader->selected_audio_stream()->positions, a.reader->selected_audio_stream()->positions);
  // Reference chunks have no source until resolved; the DV frame is in the AVI.
  EXPECT_EQ(va.sources[0], nullptr);
  EXPECT_EQ(va.sources[1], a.reader->file());
}

TEST(StreamTable, ZeroSizeEntriesRepeatThePreviousPosition) {
  AviSpec recipe;
  recipe.handler = recipe.compression = fcc::dvsd;
  FrameSpec repeat;
  repeat.in_movi = false;  // an index entry only, size 0
  recipe.frames = {repeat, FrameSpec::Data(100), repeat, FrameSpec::Data(100), repeat};
  MemoryFileSystem fs;
  const std::string idx1 = test::BuildAvi(recipe);
  recipe.odml = true;
  recipe.frames_per_ix = 2;
  recipe.frames[2].index_size = 0x80000000u;  // bit 31 only: size 0 as well
  const std::string odml = test::BuildAvi(recipe);
  fs.Add("C:\\idx1.avi", idx1);
  fs.Add("C:\\odml.avi", odml);
  for (const char* path : {"C:\\idx1.avi", "C:\\odml.avi"}) {
    SCOPED_TRACE(path);
    ContentListReader reader(fs);
    EXPECT_EQ(reader.GetContentList(path, 1, nullptr, nullptr), 1);
    const VideoStream& v = *reader.selected_video_stream();
    ASSERT_EQ(v.positions.size(), 5u);
    EXPECT_EQ(v.positions[0], 0u);  // nothing before the first
    EXPECT_NE(v.positions[1], 0u);
    EXPECT_EQ(v.positions[2], v.positions[1]);
    EXPECT_GT(v.positions[3], v.positions[2]);
    EXPECT_EQ(v.positions[4], v.positions[3]);
  }
}

TEST(StreamTable, SuperIndexTakesPrecedenceOverIdx1) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.odml = true;
  recipe.frames_per_ix = 2;  // several standard index chunks per stream
  recipe.ix_absolute = false;
  // Bit 31 in the standard index: never a reference chunk there; "idx1"
  // clears it, so its entries still mark reference chunks.
  FrameSpec ref = FrameSpec::Ref(kA);
  ref.index_size = 0x80000000u | 34u;
  recipe.frames = {ref, FrameSpec::Data(500), ref, FrameSpec::Data(500), ref};
  const std::string avi = test::BuildAvi(recipe);
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", avi);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  const VideoStream& v = *a.reader->selected_video_stream();
  const AudioStream& au = *a.reader->selected_audio_stream();
  EXPECT_TRUE(v.positions_from_super_index);
  EXPECT_TRUE(au.positions_from_super_index);
  ASSERT_EQ(v.positions.size(), 5u);  // not doubled by "idx1"
  ASSERT_EQ(au.positions.size(), 5u);
  ExpectPositionsName(avi, v, fcc::id00db);
  ExpectPositionsName(avi, au, fcc::id01wb);
  for (BufferedFile* source : v.sources) EXPECT_EQ(source, a.reader->file());
  EXPECT_TRUE(a.reader->has_reference_chunks());
}

TEST(StreamTable, IndexesLongerThanTheReadersBlockGiveEveryPosition) {
  // 9,000 frames with sound: "idx1" holds 18,000 entries (288 KB) and one
  // standard index chunk 9,000 (72 KB), so both cross the reader's 64 KiB
  // blocks, entries too. A short video dwLength must not cut the index.
  constexpr size_t kFrames = 9000;
  struct Case {
    bool odml;
    std::optional<uint32_t> length;
  };
  for (const Case& c : {Case{false, {}}, Case{true, {}}, Case{false, 100u}, Case{true, 100u}}) {
    SCOPED_TRACE(std::string(c.odml ? "super index" : "idx1") + (c.length ? ", dwLength 100" : ""));
    AviSpec recipe;
    recipe.audio = true;
    recipe.odml = c.odml;
    recipe.frames_per_ix = kFrames;
    recipe.length = c.length;
    for (size_t i = 0; i < kFrames; ++i)
      recipe.frames.push_back(i % 3 == 0 ? FrameSpec::Data(52) : FrameSpec::Ref(kA, static_cast<uint32_t>(i)));
    const std::string avi = test::BuildAvi(recipe);
    MemoryFileSystem fs;
    fs.Add("C:\\long.avi", avi);
    ContentListReader reader(fs);
    DataLinkList links;
    ASSERT_EQ(reader.GetContentList("C:\\long.avi", 1, &links, nullptr), 1);
    const VideoStream& v = *reader.selected_video_stream();
    ASSERT_EQ(v.positions.size(), kFrames);
    ASSERT_EQ(reader.selected_audio_stream()->positions.size(), kFrames);
    ExpectPositionsName(avi, v, fcc::id00db);
    ExpectPositionsName(avi, *reader.selected_audio_stream(), fcc::id01wb);
    // Every frame is where the one before it ends, in file order.
    for (size_t i = 1; i < kFrames; ++i) ASSERT_GT(v.positions[i], v.positions[i - 1]) << i;
    EXPECT_EQ(v.positions_from_super_index, c.odml);
    EXPECT_EQ(links.size(), 1u);
  }
}

TEST(StreamTable, Idx1EntriesOfAnotherKindAreNotAdded) {
  // Audio only: the "00db" entries name an audio stream and are dropped.
  AviSpec recipe;
  recipe.video = false;
  recipe.audio = true;
  recipe.frames = {FrameSpec::Data(40), FrameSpec::Data(40)};
  const std::string avi = test::BuildAvi(recipe);
  MemoryFileSystem fs;
  fs.Add("C:\\audio.avi", avi);
  ContentListReader reader(fs);
  EXPECT_EQ(reader.GetContentList("C:\\audio.avi", 1, nullptr, nullptr), 1);
  ASSERT_EQ(reader.streams()->size(), 1u);
  EXPECT_EQ(reader.selected_video_stream(), nullptr);
  ASSERT_NE(reader.selected_audio_stream(), nullptr);
  ASSERT_EQ(reader.selected_audio_stream()->positions.size(), 2u);
  ExpectPositionsName(avi, *reader.selected_audio_stream(), fcc::id00wb);
}

TEST(StreamTable, ReferenceChunkSizeLimit) {
  AviSpec recipe;
  FrameSpec ref276 = FrameSpec::Ref("C:\\" + std::string(251, 'r') + ".001");
  ref276.path_length = 256;
  recipe.frames = {ref276, FrameSpec::Data(277), FrameSpec::Data(1)};
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  const VideoStream& v = *a.reader->selected_video_stream();
  EXPECT_EQ(v.sources[0], nullptr);           // 276 bytes: a reference chunk
  EXPECT_EQ(v.sources[1], a.reader->file());  // 277 bytes: a DV frame in the AVI
  EXPECT_EQ(v.sources[2], nullptr);           // 1 byte: a reference chunk
}

// REFI: the "indx" in the header lists reference chunks, so the block after
// the header is honoured.
AviSpec RefiSpec() {
  AviSpec recipe;
  recipe.odml = true;
  recipe.refi_path = "E:\\refi\\block.001";
  recipe.frames = {FrameSpec::Data(300), FrameSpec::Data(300), FrameSpec::Ref(kA), FrameSpec::Ref(kA),
                 FrameSpec::Ref(kA), FrameSpec::Ref(kA)};
  return recipe;
}

TEST(StreamTable, RefiBlockFillsTheFramesWithoutSource) {
  AviSpec recipe = RefiSpec();
  recipe.refi_positions = {1000, 2000, 3000};
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  fs.Add("E:\\refi\\block.001", test::BuildDataFile(1, 16));
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.list.paths(), std::vector<std::string>{kA});  // REFI paths are not data links
  const VideoStream& v = *a.reader->selected_video_stream();
  ASSERT_EQ(v.data_files().size(), 1u);
  BufferedFile* block = v.data_files()[0].get();
  EXPECT_EQ(block->Name(), "E:\\refi\\block.001");
  EXPECT_EQ(v.sources[1], a.reader->file());
  EXPECT_EQ(v.sources[2], block);
  EXPECT_EQ(v.positions[2], 1000u);
  EXPECT_EQ(v.sources[4], block);
  EXPECT_EQ(v.positions[4], 3000u);
  EXPECT_EQ(v.sources[5], nullptr);
}

TEST(StreamTable, RefiBlockStopsAtTheLastFrame) {
  AviSpec recipe = RefiSpec();
  recipe.refi_positions = std::vector<uint32_t>(50, 7);
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  fs.Add("E:\\refi\\block.001", "x");
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  const VideoStream& v = *a.reader->selected_video_stream();
  ASSERT_EQ(v.positions.size(), 6u);
  EXPECT_EQ(v.positions[5], 7u);
}

TEST(StreamTable, RefiBlockNeedsItsDataFileAndEarlierReferenceChunks) {
  AviSpec recipe = RefiSpec();
  recipe.refi_positions = {1000};
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  EXPECT_EQ(test::WalkResult(fs, "C:\\ref.avi"), 0);  // the block's file is missing

  // Without a super index nothing is known to be a reference chunk when the
  // "JUNK" is met: the block is skipped.
  recipe.odml = false;
  fs.Add("C:\\plain.avi", test::BuildAvi(recipe));
  test::Analysis a = test::Analyze(fs, "C:\\plain.avi");
  EXPECT_EQ(a.result, 1);
  EXPECT_TRUE(a.reader->selected_video_stream()->data_files().empty());
}

// Whole-file mode: references in LIST "rec " are not read by the walk, so
// the index resolves them afterwards.
struct WholeFileCase {
  uint32_t height;
  uint32_t frame_size;
  int data_frames;
  const char* path;
  bool whole;
};

class WholeFile : public ::testing::TestWithParam<WholeFileCase> {};

TEST_P(WholeFile, DataFileSuppliesConsecutiveFrames) {
  const WholeFileCase c = GetParam();
  AviSpec recipe;
  recipe.height = c.height;
  recipe.flags |= AVIF_WASCAPTUREFILE;
  recipe.rec_lists = true;
  for (int i = 0; i < 12; ++i) recipe.frames.push_back(FrameSpec::Ref(c.path, 0));
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  fs.Add(c.path, test::BuildDataFile(c.data_frames, c.frame_size));
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_TRUE(a.list.empty());  // no REF record was read in "movi"
  EXPECT_FALSE(a.reader->references_resolved());
  ASSERT_NE(a.reader->selected_video_stream(), nullptr) << "the resolution failed";
  const VideoStream& v = *a.reader->selected_video_stream();
  ASSERT_EQ(v.data_files().size(), 1u);
  const uint64_t step = c.frame_size + 8;
  for (size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(v.sources[i], v.data_files()[0].get()) << i;
    const uint64_t expected = c.whole ? (i % static_cast<size_t>(c.data_frames)) * step : 0;
    EXPECT_EQ(v.positions[i], expected) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WholeFile,
    ::testing::Values(WholeFileCase{480, kDvFrameSize525, 10, "D:\\data\\whole.001", true},
                      WholeFileCase{576, kDvFrameSize625, 3, "D:\\data\\whole.001", true},
                      WholeFileCase{480, kDvFrameSize525, 10, "D:\\data\\whole.avi", false}));

TEST(StreamTable, ResolutionFailsForMissingFilesAndForeignRecords) {
  AviSpec recipe;
  recipe.rec_lists = true;
  recipe.frames = {FrameSpec::Ref("D:\\gone.001", 8)};
  MemoryFileSystem fs;
  fs.Add("C:\\gone.avi", test::BuildAvi(recipe));
  EXPECT_EQ(test::WalkResult(fs, "C:\\gone.avi"), 0);
  fs.Add("D:\\gone.001", test::BuildDataFile(1, 16));
  {
    ContentListReader reader(fs);
    EXPECT_EQ(reader.GetContentList("C:\\gone.avi", 1, nullptr, nullptr), 1);
    EXPECT_EQ(reader.selected_video_stream()->positions[0], 8u);
  }
  // A small kzvq frame that is not a REF record.
  recipe.frames = {FrameSpec::Data(100)};
  fs.Add("C:\\foreign.avi", test::BuildAvi(recipe));
  EXPECT_EQ(test::WalkResult(fs, "C:\\foreign.avi"), 0);
}

}  // namespace
}  // namespace mendora
