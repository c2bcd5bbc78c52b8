// The data-link list: what the analysis collects from the "movi" lists.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

const char kA[] = "D:\\clips\\tape1.001";
const char kB[] = "D:\\clips\\tape1.002";

TEST(ContentList, PathsOnceInOrderOfFirstOccurrenceWithLetterCase) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref(kB, 0), FrameSpec::Ref(kA, 120008), FrameSpec::Data(120000),
                 FrameSpec::Ref(kB, 120008), FrameSpec::Ref("D:\\CLIPS\\TAPE1.002", 0)};
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.list.paths(), (std::vector<std::string>{kB, kA, "D:\\CLIPS\\TAPE1.002"}));
  EXPECT_TRUE(a.reader->references_resolved());
  ASSERT_NE(a.reader->selected_video_stream(), nullptr);
  EXPECT_EQ(a.reader->selected_audio_stream(), nullptr);
}

TEST(ContentList, ManyReferencesToOneFileAndManyDistinctFiles) {
  AviSpec same;
  for (int i = 0; i < 1000; ++i) same.frames.push_back(FrameSpec::Ref(kA, static_cast<uint32_t>(i) * 120008));
  AviSpec distinct;
  std::vector<std::string> expected;
  for (int i = 0; i < 3000; ++i) {
    expected.push_back("E:\\d\\" + std::to_string((i * 7919) % 3000) + ".001");
    distinct.frames.push_back(FrameSpec::Ref(expected.back()));
  }
  MemoryFileSystem fs;
  fs.Add("C:\\same.avi", test::BuildAvi(same));
  fs.Add("C:\\distinct.avi", test::BuildAvi(distinct));
  EXPECT_EQ(test::Analyze(fs, "C:\\same.avi").list.paths(), std::vector<std::string>{kA});
  EXPECT_EQ(test::Analyze(fs, "C:\\distinct.avi").list.paths(), expected);
}

TEST(ContentList, PathFieldSizesFollowThePathLength) {
  AviSpec recipe;
  FrameSpec empty = FrameSpec::Ref("");
  empty.path_length = 0;  // a 4-byte field holding an empty path
  FrameSpec l12 = FrameSpec::Ref("C:\\abc\\d.001");
  FrameSpec l13 = FrameSpec::Ref("C:\\abcd\\e.001");
  FrameSpec l16 = FrameSpec::Ref("C:\\abcdefg\\h.001");
  FrameSpec l256 = FrameSpec::Ref("C:\\" + std::string(248, 'x') + ".001");
  FrameSpec short_path = FrameSpec::Ref("C:\\s.001");
  short_path.path_length = 40;  // the path ends at its NUL, whatever L says
  ASSERT_EQ(l12.path.size(), 12u);
  ASSERT_EQ(l13.path.size(), 13u);
  ASSERT_EQ(l16.path.size(), 16u);
  l256.path.resize(255);
  l256.path_length = 256;
  recipe.frames = {empty, l12, l13, l16, l256, short_path, FrameSpec::Ref("")};
  const std::string avi = test::BuildAvi(recipe);
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", avi);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.list.paths(), (std::vector<std::string>{"", l12.path, l13.path, l16.path, l256.path, "C:\\s.001"}));
  // The records are 16 bytes of header and 4, 16, 16, 20 and 260 bytes of path.
  const auto& video = *a.reader->selected_video_stream();
  const uint32_t sizes[] = {20, 32, 32, 36, 276};
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(LoadU32(reinterpret_cast<const uint8_t*>(avi.data() + video.positions[i] + 4)), sizes[i]);
  // A 276-byte kzvq entry is a reference chunk.
  EXPECT_TRUE(a.reader->has_reference_chunks());
  EXPECT_EQ(video.sources[4], nullptr);
}

TEST(ContentList, ContinuationRiffsAudioAndDcChunks) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.odml = true;
  FrameSpec dc = FrameSpec::Ref("D:\\x\\dc.001");
  dc.id = fcc::id00dc;
  FrameSpec in_avix = FrameSpec::Ref(kA);
  in_avix.riff = 1;
  FrameSpec new_in_avix = FrameSpec::Ref(kB);
  new_in_avix.riff = 2;
  FrameSpec again = FrameSpec::Ref("D:\\x\\dc.001");
  again.riff = 2;
  recipe.frames = {FrameSpec::Ref(kA), dc, in_avix, new_in_avix, again};
  MemoryFileSystem fs;
  const std::string avi = test::BuildAvi(recipe);
  fs.Add("C:\\ref.avi", avi);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.list.paths(), (std::vector<std::string>{kA, "D:\\x\\dc.001", kB}));
  ASSERT_NE(a.reader->selected_audio_stream(), nullptr);
  EXPECT_EQ(a.reader->selected_audio_stream()->positions.size(), 5u);
  for (uint64_t p : a.reader->selected_audio_stream()->positions) EXPECT_EQ(test::IdAt(avi, p), fcc::id01wb);
}

TEST(ContentList, AudioFirstFileReadsVideoAsStreamOne) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.audio_first = true;
  recipe.frames = {FrameSpec::Ref(kA), FrameSpec::Ref(kB)};
  MemoryFileSystem fs;
  const std::string avi = test::BuildAvi(recipe);
  fs.Add("C:\\ref.avi", avi);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
  EXPECT_EQ(a.list.paths(), (std::vector<std::string>{kA, kB}));
  const VideoStream* video = a.reader->selected_video_stream();
  ASSERT_NE(video, nullptr);
  ASSERT_EQ(video->positions.size(), 2u);
  EXPECT_EQ(test::IdAt(avi, video->positions[1]), MakeFourcc("01db"));
}

TEST(ContentList, PlainDvAviHasNoDataLinks) {
  AviSpec recipe;
  recipe.handler = recipe.compression = fcc::dvsd;
  recipe.audio = true;
  for (int i = 0; i < 5; ++i) recipe.frames.push_back(FrameSpec::Data(120000));
  MemoryFileSystem fs;
  fs.Add("C:\\dv.avi", test::BuildAvi(recipe));
  test::Analysis a = test::Analyze(fs, "C:\\dv.avi");
  EXPECT_EQ(a.result, 0);  // an empty list
  EXPECT_TRUE(a.list.empty());
  EXPECT_EQ(test::WalkResult(fs, "C:\\dv.avi"), 1);
  EXPECT_FALSE(a.reader->has_reference_chunks());
  ASSERT_NE(a.reader->selected_video_stream(), nullptr);  // the walk succeeded
  EXPECT_EQ(a.reader->selected_video_stream()->sources[0], a.reader->file());
}

TEST(ContentList, WalkFailuresKeepTheLinksFoundBefore) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref(kA), FrameSpec::Ref(kB)};
  const std::string avi = test::BuildAvi(recipe);
  MemoryFileSystem fs;
  // Cut in the middle of "idx1" (the file's last chunk).
  fs.Add("C:\\cut.avi", avi.substr(0, avi.size() - 10));
  test::Analysis a = test::Analyze(fs, "C:\\cut.avi");
  EXPECT_EQ(a.list.paths(), (std::vector<std::string>{kA, kB}));
  EXPECT_EQ(test::WalkResult(fs, "C:\\cut.avi"), 0);
  EXPECT_EQ(a.reader->streams(), nullptr);  // closed after the failure

  // Trailing bytes after the last RIFF: 8 or more are a normal end, fewer
  // cannot be read as a header.
  fs.Add("C:\\tail8.avi", avi + std::string(8, 'z'));
  fs.Add("C:\\tail7.avi", avi + std::string(7, 'z'));
  EXPECT_EQ(test::WalkResult(fs, "C:\\tail8.avi"), 1);
  EXPECT_EQ(test::WalkResult(fs, "C:\\tail7.avi"), 0);
  EXPECT_EQ(test::Analyze(fs, "C:\\tail7.avi").list.size(), 2u);
}

TEST(ContentList, FlagsAndMissingFiles) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref(kA)};
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  ContentListReader reader(fs);
  DataLinkList list;
  list.Add("stale");
  EXPECT_EQ(reader.GetContentList("C:\\ref.avi", 0, &list, nullptr), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(fs.opens(), 0);
  EXPECT_EQ(reader.GetContentList("C:\\missing.avi", 1, &list, nullptr), 0);
  EXPECT_TRUE(list.empty());
}

// Progress sink that records each value and can cancel after some reports.
class RecordingSink : public ProgressSink {
 public:
  explicit RecordingSink(std::atomic<int>* running, int cancel_after = -1)
      : running_(running), cancel_after_(cancel_after) {}
  void Report(int percent) override {
    values.push_back(percent);
    if (cancel_after_ >= 0 && static_cast<int>(values.size()) >= cancel_after_) running_->store(0);
  }
  void Post(int percent) override { posted.push_back(percent); }
  std::vector<int> values;
  std::vector<int> posted;

 private:
  std::atomic<int>* running_;
  int cancel_after_;
};

TEST(ContentList, ProgressRisesToTheEndWithoutRepeatingAValue) {
  AviSpec recipe;
  for (int i = 0; i < 300; ++i) recipe.frames.push_back(FrameSpec::Ref("D:\\p\\" + std::to_string(i % 7) + ".001"));
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  std::atomic<int> running{1};
  RecordingSink sink(&running);
  ProgressReporter progress(&running, &sink);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi", &progress);
  EXPECT_EQ(a.list.size(), 7u);
  ASSERT_GT(sink.values.size(), 50u);
  for (size_t i = 1; i < sink.values.size(); ++i) {
    EXPECT_GT(sink.values[i], sink.values[i - 1]);  // rising, never the same value twice
  }
  EXPECT_GE(sink.values.front(), 0);
  EXPECT_LE(sink.values.back(), 100);
  EXPECT_GE(sink.values.back(), 50);
}

TEST(ContentList, CancelEmptiesTheListAndStopsTheWalk) {
  AviSpec recipe;
  for (int i = 0; i < 300; ++i) recipe.frames.push_back(FrameSpec::Ref("D:\\p\\" + std::to_string(i) + ".001"));
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  std::atomic<int> running{1};
  RecordingSink sink(&running, 60);  // cancel well inside "movi"
  ProgressReporter progress(&running, &sink);
  test::Analysis a = test::Analyze(fs, "C:\\ref.avi", &progress);
  EXPECT_EQ(a.result, 0);
  EXPECT_TRUE(a.list.empty());
  EXPECT_EQ(sink.values.size(), 60u);  // no report after the cancel
  EXPECT_EQ(a.reader->streams(), nullptr);
}

TEST(ContentList, AnyFailingReadGivesAPrefixOfTheLinks) {
  AviSpec recipe;
  recipe.odml = true;
  recipe.audio = true;
  recipe.frames_per_ix = 3;
  // Frames between the references make the walk span many blocks.
  for (int i = 0; i < 40; ++i) {
    recipe.frames.push_back(FrameSpec::Ref("D:\\p\\" + std::to_string(i % 9) + ".001"));
    recipe.frames.push_back(FrameSpec::Data(70000));
  }
  for (size_t i = 40; i < recipe.frames.size(); ++i) recipe.frames[i].riff = 1;
  MemoryFileSystem fs;
  const std::string avi = test::BuildAvi(recipe);
  fs.Add("C:\\ref.avi", avi);
  const test::Analysis full = test::Analyze(fs, "C:\\ref.avi");
  ASSERT_EQ(full.list.size(), 9u);
  const size_t reads = fs.reads().size();
  ASSERT_GT(reads, 40u);
  for (size_t n = 0; n < reads; ++n) {
    fs.ClearReads();
    fs.FailReadsFrom(static_cast<int>(n));
    test::Analysis a = test::Analyze(fs, "C:\\ref.avi");
    EXPECT_EQ(a.result, 0) << n;
    ASSERT_LE(a.list.size(), full.list.size());
    for (size_t i = 0; i < a.list.size(); ++i) EXPECT_EQ(a.list[i], full.list[i]);
  }
}

}  // namespace
}  // namespace mendora
