// The creation step: arguments, REF record rewriting, which chunks are
// parsed, the copy along idx1 and along super indexes, progress and cancel,
// failures and the equal-path swap.
#include <gtest/gtest.h>

#include <atomic>

#include "support/faulty_fs.h"
#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::Seen;

struct Chunk {
  uint32_t id;
  std::string data;
};

// The frame chunks of the first "movi" of a written file, in file order.
std::vector<Chunk> MoviChunks(const std::string& bytes) {
  std::vector<Chunk> out;
  const std::vector<Seen> seen = test::Structure(bytes, true);
  const Seen* movi = test::Find(seen, fcc::movi);
  if (movi == nullptr) return out;
  for (const Seen& s : seen) {
    if (s.depth != 2 || s.position < movi->position || s.position >= movi->position + 8 + movi->size) continue;
    if (s.id == fcc::LIST || s.id == fcc::ix00 || s.id == fcc::ix01) continue;
    out.push_back({s.id, bytes.substr(s.position + 8, s.size)});
  }
  return out;
}

class Builder : public ::testing::Test {
 protected:
  std::string Source(const AviSpec& recipe) {
    const std::string path = drives.Path('C', "ref.avi");
    drives.WriteFile(path, test::BuildAvi(recipe));
    return path;
  }
  std::string Out() const { return drives.Path('D', "ref.avi.tmp"); }
  test::TestDrives drives;
};

TEST_F(Builder, ArgumentsAreChecked) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001")};
  const std::string src = Source(recipe);
  const char* three[] = {"a", "b", "c", nullptr};
  const char* two[] = {"x", "y", nullptr};
  int code = -2, detail = -2;
  EXPECT_EQ(CreateRefAvi(drives.fs(), src.c_str(), Out().c_str(), three, two, &code, &detail, nullptr), 0);
  EXPECT_EQ(code, ERR_REWRITE_ARGUMENT);
  EXPECT_EQ(detail, -2);
  EXPECT_FALSE(drives.Exists(Out()));
  code = -2;
  EXPECT_EQ(CreateRefAvi(drives.fs(), nullptr, Out().c_str(), two, two, &code, &detail, nullptr), 0);
  EXPECT_EQ(code, ERR_REWRITE_ARGUMENT);
  EXPECT_EQ(CreateRefAvi(drives.fs(), src.c_str(), Out().c_str(), two, two, &code, nullptr, nullptr), 0);
  // A replacement longer than a REF record can hold.
  const std::string long_path = "D:\\" + std::string(300, 'x');
  EXPECT_EQ(test::Rewrite(drives.fs(), src, Out(), {"D:\\a.001"}, {long_path}).code, ERR_REWRITE_ARGUMENT);
  EXPECT_FALSE(drives.Exists(Out()));
  // A source that cannot be opened fails without a code.
  test::StepResult r = test::Rewrite(drives.fs(), drives.Path('C', "none.avi"), Out());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.detail, -1);
}

TEST_F(Builder, ReplacedPathsResizeTheRecordInStepsOfFour) {
  const std::string old_path = "D:\\clips\\tape01.001";  // 19 bytes: a 20-byte field
  struct Case {
    int change;
    int delta;
  } cases[] = {{1, 4}, {4, 4}, {5, 8}, {8, 8}, {-1, 0}, {-6, 0}, {-7, -4}, {-10, -4}, {0, 0}};
  for (const Case& c : cases) {
    AviSpec recipe;
    recipe.frames = {FrameSpec::Ref(old_path, 120008), FrameSpec::Ref("D:\\other.001", 7)};
    const std::string src = Source(recipe);
    const std::string replacement =
        c.change >= 0 ? "E:\\new\\" + std::string(12 + c.change, 'n') : "E:\\" + std::string(16 + c.change, 'n');
    ASSERT_EQ(static_cast<int>(replacement.size()) - 19, c.change);
    test::StepResult r = test::Rewrite(drives.fs(), src, Out(), {"D:\\x.001", old_path}, {"D:\\y.001", replacement});
    ASSERT_EQ(r.result, 1) << c.change;
    EXPECT_EQ(r.code, 0);
    const std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
    ASSERT_EQ(chunks.size(), 2u);
    const std::string& rec = chunks[0].data;
    ASSERT_EQ(static_cast<int>(rec.size()), 36 + c.delta) << c.change;
    EXPECT_EQ(test::U32At(rec, 0), fcc::REF_);
    EXPECT_EQ(test::U32At(rec, 4), 120008u);
    EXPECT_EQ(static_cast<int>(test::U32At(rec, 12)), 19 + c.delta);
    EXPECT_EQ(rec.substr(16, replacement.size()), replacement);
    // Zero after the new path's terminator.
    EXPECT_EQ(rec.substr(16 + replacement.size()), std::string(rec.size() - 16 - replacement.size(), '\0'));
    // The record not named is copied as it was.
    EXPECT_EQ(chunks[1].data, test::RefRecord("D:\\other.001", 7));
    EXPECT_EQ(test::AnalyzeLinks(drives.fs(), Out()).paths, (std::vector<std::string>{replacement, "D:\\other.001"}));
  }
}

TEST_F(Builder, RecordsWithOddLengthWordsStayReadable) {
  // A length word that understates its path: shrinking by 12 would take it
  // below zero; it never falls below the new path.
  AviSpec recipe;
  FrameSpec loose = FrameSpec::Ref("D:\\abcdefghijklmnop.001");
  loose.path_length = 100;  // a field of 104 bytes
  recipe.frames = {loose};
  std::string bytes = test::BuildAvi(recipe);
  {
    const std::vector<Seen> seen = test::Structure(bytes, true);
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + test::Find(seen, fcc::id00db)->position + 8 + 12), 2);
  }
  const std::string src = drives.Path('C', "loose.avi");
  drives.WriteFile(src, bytes);
  ASSERT_EQ(test::Rewrite(drives.fs(), src, Out(), {loose.path}, {"E:\\a.001"}).result, 1);
  std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].data.size(), 120u - 12);
  EXPECT_EQ(test::U32At(chunks[0].data, 12), 8u);
  // A padded record that would grow past 276 bytes keeps to the field the
  // new path needs, so it is still a REF record.
  FrameSpec padded = FrameSpec::Ref("D:\\a.001");
  padded.path_length = 256;  // a 276-byte record
  recipe.frames = {padded};
  const std::string src2 = Source(recipe);
  const std::string longer = "E:\\" + std::string(200, 'q') + ".001";
  ASSERT_EQ(test::Rewrite(drives.fs(), src2, Out(), {"D:\\a.001"}, {longer}).result, 1);
  chunks = MoviChunks(drives.ReadFile(Out()));
  EXPECT_EQ(chunks[0].data.size(), 16u + 4 * (longer.size() / 4 + 1));
  EXPECT_EQ(test::U32At(chunks[0].data, 12), longer.size());
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), Out()).paths, std::vector<std::string>{longer});
}

TEST_F(Builder, OnlyReferenceChunksAreParsed) {
  // dvsd frames, a 277-byte kzvq frame and an index size of 0 (a repeat) are
  // copied as they are; "00dc" becomes "00db".
  AviSpec dv;
  dv.handler = dv.compression = fcc::dvsd;
  FrameSpec small = FrameSpec::Data(100);
  small.id = fcc::id00dc;
  dv.frames = {small, FrameSpec::Data(300)};
  const std::string src = Source(dv);
  ASSERT_EQ(test::Rewrite(drives.fs(), src, Out(), {"x"}, {"y"}).result, 1);
  std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[0].id, fcc::id00db);
  EXPECT_EQ(chunks[0].data.size(), 100u);

  AviSpec ref;
  FrameSpec big = FrameSpec::Data(277);
  FrameSpec repeat;
  repeat.in_movi = false;  // index entry of size 0: the previous chunk again
  ref.frames = {FrameSpec::Ref("D:\\a.001"), big, repeat};
  const std::string src2 = Source(ref);
  ASSERT_EQ(test::Rewrite(drives.fs(), src2, Out(), {"D:\\a.001"}, {"E:\\b.001"}).result, 1);
  chunks = MoviChunks(drives.ReadFile(Out()));
  ASSERT_EQ(chunks.size(), 3u);
  EXPECT_EQ(chunks[1].data.size(), 277u);
  EXPECT_EQ(chunks[2].data, chunks[1].data);
}

TEST_F(Builder, ReferenceChunksWithoutAValidRecordFailWith516) {
  for (const std::string& record :
       {std::string("XXXX") + std::string(28, 'a'), std::string("REF "), "REF " + std::string(40, 'z')}) {
    // Not "REF ", too short for a header, a path without its terminator.
    AviSpec recipe;
    recipe.frames = {FrameSpec::Ref("D:\\a.001")};
    std::string bytes = test::BuildAvi(recipe);
    const std::vector<Seen> seen = test::Structure(bytes, true);
    const Seen* frame = test::Find(seen, fcc::id00db);
    const std::string original = test::RefRecord("D:\\a.001", 0);
    std::string replaced = record.substr(0, original.size());
    replaced.resize(original.size(), record.size() < 16 ? '\0' : record.back());
    if (record.size() < 16) {
      // Shrink the chunk to 4 bytes (its index entry keeps 1..276).
      StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + frame->position + 4), 4);
    }
    bytes.replace(frame->position + 8, original.size(), replaced);
    const std::string src = drives.Path('C', "bad.avi");
    drives.WriteFile(src, bytes);
    test::StepResult r = test::Rewrite(drives.fs(), src, Out());
    EXPECT_EQ(r.result, 0) << record;
    EXPECT_EQ(r.code, ERR_REWRITE_READ);
    EXPECT_EQ(r.detail, 0);
  }
}

TEST_F(Builder, CopiesAlongSuperIndexesWithRelativeBasesAndContinuations) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.odml = true;
  recipe.ix_absolute = false;
  recipe.frames_per_ix = 2;
  for (int i = 0; i < 5; ++i) {
    FrameSpec f = FrameSpec::Ref("D:\\t" + std::to_string(i % 2) + ".001", static_cast<uint32_t>(i) * 120008);
    f.riff = i < 3 ? 0 : 1;
    recipe.frames.push_back(f);
  }
  const std::string src = Source(recipe);
  ASSERT_EQ(test::Rewrite(drives.fs(), src, Out(), {"D:\\t1.001"}, {"E:\\moved\\t1.001"}).result, 1);
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), Out()).paths,
            (std::vector<std::string>{"D:\\t0.001", "E:\\moved\\t1.001"}));
  const std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
  // Audio chunks shorter than a second: video and audio alternate.
  ASSERT_EQ(chunks.size(), 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(chunks[i].id, i % 2 == 0 ? fcc::id00db : fcc::id01wb);
}

TEST_F(Builder, AudioInterleaveFollowsTheFirstAudioChunkOutsideOpenDml) {
  // One-second audio chunks at 48000 Hz beside NTSC video: 30 video chunks
  // per audio chunk when the writer has no OpenDML indexes of its own.
  auto build = [&](uint32_t total) {
    AviSpec recipe;
    recipe.handler = recipe.compression = fcc::dvsd;
    recipe.audio = true;
    recipe.odml = true;
    recipe.frames_per_ix = 1000;
    for (int i = 0; i < 70; ++i) recipe.frames.push_back(FrameSpec::Data(16));
    std::string bytes = test::BuildAvi(recipe);
    // Make every audio chunk one second long (192000 bytes) in the indexes.
    const std::vector<Seen> seen = test::Structure(bytes, true);
    const Seen* ix01 = test::Find(seen, fcc::ix01);
    for (uint32_t k = 0; k < 70; ++k) StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + ix01->position + 32 + k * 8 + 4), 32);
    test::SetTotalFrames(&bytes, total);
    return bytes;
  };
  for (uint32_t total : {70u, 20000u}) {
    std::string bytes = build(total);
    // The first audio entry claims a second of sound.
    const std::vector<Seen> seen = test::Structure(bytes, true);
    const Seen* ix01 = test::Find(seen, fcc::ix01);
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + ix01->position + 32 + 4), 192000);
    const std::string src = drives.Path('C', "av.avi");
    drives.WriteFile(src, bytes);
    ASSERT_EQ(test::Rewrite(drives.fs(), src, Out()).result, 1);
    const std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
    size_t first_audio = 0;
    while (first_audio < chunks.size() && chunks[first_audio].id != fcc::id01wb) ++first_audio;
    EXPECT_EQ(first_audio, total == 70 ? 30u : 32u) << total;
  }
}

TEST_F(Builder, LegacyCopyRepeatsAndReadsRelativeOffsets) {
  AviSpec recipe;
  recipe.idx1 = AviSpec::Idx1::kRelative;
  recipe.audio = true;
  FrameSpec repeat;
  repeat.in_movi = false;
  recipe.frames = {FrameSpec::Ref("D:\\a.001"), repeat, FrameSpec::Ref("D:\\b.001")};
  const std::string src = Source(recipe);
  ASSERT_EQ(test::Rewrite(drives.fs(), src, Out(), {"D:\\b.001"}, {"D:\\c.001"}).result, 1);
  const std::vector<Chunk> chunks = MoviChunks(drives.ReadFile(Out()));
  std::vector<std::string> video;
  for (const Chunk& c : chunks)
    if (c.id == fcc::id00db) video.push_back(c.data);
  ASSERT_EQ(video.size(), 3u);
  EXPECT_EQ(video[1], video[0]);
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), Out()).paths, (std::vector<std::string>{"D:\\a.001", "D:\\c.001"}));
  EXPECT_EQ(test::VideoPositions(drives.fs(), Out()).size(), 3u);
}

class CountingSink : public ProgressSink {
 public:
  explicit CountingSink(std::atomic<int>* running, int cancel_after) : running_(running), cancel_after_(cancel_after) {}
  void Report(int percent) override {
    values.push_back(percent);
    if (static_cast<int>(values.size()) == cancel_after_) running_->store(0);
  }
  void Post(int percent) override { values.push_back(percent); }
  std::vector<int> values;

 private:
  std::atomic<int>* running_;
  int cancel_after_;
};

TEST_F(Builder, ReportsProgressAndStopsWith519OnCancel) {
  AviSpec recipe;
  for (int i = 0; i < 200; ++i) recipe.frames.push_back(FrameSpec::Ref("D:\\a.001", static_cast<uint32_t>(i)));
  const std::string src = Source(recipe);
  {
    std::atomic<int> running{1};
    CountingSink sink(&running, -1);
    ProgressReporter progress(&running, &sink);
    ASSERT_EQ(test::Rewrite(drives.fs(), src, Out(), {}, {}, &progress).result, 1);
    // 0 .. 99 percent, each once.
    ASSERT_EQ(sink.values.size(), 100u);
    EXPECT_EQ(sink.values.front(), 0);
    EXPECT_EQ(sink.values.back(), 99);
  }
  {
    std::atomic<int> running{1};
    CountingSink sink(&running, 10);
    ProgressReporter progress(&running, &sink);
    test::StepResult r = test::Rewrite(drives.fs(), src, Out(), {}, {}, &progress);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.code, ERR_REWRITE_CANCELLED);
    // The output holds the chunks written before the cancel, with headers.
    EXPECT_EQ(test::VideoPositions(drives.fs(), Out()).size(), 20u);
    EXPECT_EQ(test::AnalyzeLinks(drives.fs(), Out()).paths, std::vector<std::string>{"D:\\a.001"});
  }
}

TEST_F(Builder, FailuresOfTheFileSystemBecomeCodes) {
  AviSpec recipe;
  for (int i = 0; i < 3; ++i) recipe.frames.push_back(FrameSpec::Ref("D:\\a.001"));
  const std::string src = Source(recipe);
  FaultyFileSystem faulty(drives.fs());
  faulty.FailNth(FaultKind::kCreate, 0, kErrorAccessDenied);
  test::StepResult r = test::Rewrite(faulty, src, Out());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, ERR_REWRITE_CREATE);
  faulty.Reset();
  faulty.FailNth(FaultKind::kWrite, 0, kErrorDiskFull, true);
  r = test::Rewrite(faulty, src, Out());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, ERR_REWRITE_WRITE);
  // A frame chunk past the end of a cut source.
  faulty.Reset();
  std::string bytes = drives.ReadFile(src);
  const std::vector<Seen> seen = test::Structure(bytes, true);
  const Seen* last = test::Find(seen, fcc::id00db, 3);
  StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + last->position + 4), 0x10000);
  drives.WriteFile(src, bytes);
  r = test::Rewrite(drives.fs(), src, Out());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, ERR_REWRITE_READ);
}

TEST_F(Builder, EveryFailedWriteFailsTheStepTheLastOneToo) {
  AviSpec recipe;
  for (int i = 0; i < 3; ++i) recipe.frames.push_back(FrameSpec::Ref("D:\\a.001"));
  const std::string src = Source(recipe);
  FaultyFileSystem faulty(drives.fs());
  ASSERT_EQ(test::Rewrite(faulty, src, Out()).result, 1);
  const int writes = faulty.Calls(FaultKind::kWrite);
  ASSERT_GT(writes, 0);
  for (int n = 0; n < writes; ++n) {
    faulty.Reset();
    faulty.FailNth(FaultKind::kWrite, n, kErrorDiskFull);
    const test::StepResult r = test::Rewrite(faulty, src, Out());
    EXPECT_EQ(r.result, 0) << "write " << n << " of " << writes;
    EXPECT_EQ(r.code, ERR_REWRITE_WRITE) << "write " << n << " of " << writes;
  }
  // The output is put on the disk before it is closed: a failed flush fails
  // the step like a failed write.
  faulty.Reset();
  ASSERT_EQ(test::Rewrite(faulty, src, Out()).result, 1);
  const int closes = faulty.Calls(FaultKind::kClose);
  int failed = 0;
  for (int n = 0; n < closes; ++n) {
    faulty.Reset();
    faulty.FailNth(FaultKind::kClose, n, kErrorWriteFault);
    const test::StepResult r = test::Rewrite(faulty, src, Out());
    if (r.result == 0 && r.code == ERR_REWRITE_WRITE) ++failed;
  }
  EXPECT_EQ(failed, 2) << "the flush and the close of the output";
}

TEST_F(Builder, WritingOverTheSourceSwapsThroughATemporaryFileBesideIt) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001"), FrameSpec::Ref("D:\\b.001")};
  const std::string src = Source(recipe);
  ASSERT_EQ(test::Rewrite(drives.fs(), src, src, {"D:\\a.001"}, {"E:\\a.001"}).result, 1);
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), src).paths, (std::vector<std::string>{"E:\\a.001", "D:\\b.001"}));
  auto listing = drives.fs().Find(drives.Root('C'));
  ASSERT_NE(listing, nullptr);
  DirEntry entry;
  std::vector<std::string> names;
  while (listing->Next(&entry)) names.push_back(entry.name);
  EXPECT_EQ(names, std::vector<std::string>{"ref.avi"});
  // A failing rename of the source leaves it as it was and the folder clean.
  const std::string before = drives.ReadFile(src);
  FaultyFileSystem faulty(drives.fs());
  faulty.FailNth(FaultKind::kRename, 0, kErrorAccessDenied);
  test::StepResult r = test::Rewrite(faulty, src, src, {"E:\\a.001"}, {"C:\\a.001"});
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, ERR_REWRITE_CREATE);
  EXPECT_EQ(r.detail, 0);
  EXPECT_EQ(drives.ReadFile(src), before);
  // The new file cannot be renamed into place: the source comes back.
  faulty.Reset();
  faulty.FailNth(FaultKind::kRename, 1, kErrorAccessDenied);
  r = test::Rewrite(faulty, src, src, {"E:\\a.001"}, {"C:\\a.001"});
  EXPECT_EQ(r.code, ERR_REWRITE_CREATE);
  EXPECT_EQ(r.detail, kDetailWrite);
  EXPECT_EQ(drives.ReadFile(src), before);
  listing = drives.fs().Find(drives.Root('C'));
  names.clear();
  while (listing->Next(&entry)) names.push_back(entry.name);
  EXPECT_EQ(names, std::vector<std::string>{"ref.avi"});
}

// Temporary names that another run holds: an exclusive output that exists
// fails with 522 and keeps its bytes; writing over the source passes over
// the ~mendoraN.tmp names already taken, and leaves them as they are.
TEST_F(Builder, TemporaryNamesAnotherRunHoldsAreLeftAlone) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001")};
  const std::string src = Source(recipe);
  drives.WriteFile(Out(), "another run");
  const char* olds[] = {"D:\\a.001", nullptr};
  const char* news[] = {"E:\\a.001", nullptr};
  int code = 0, detail = 0;
  EXPECT_EQ(CreateRefAvi(drives.fs(), src.c_str(), Out().c_str(), olds, news, &code, &detail, nullptr, true), 0);
  EXPECT_EQ(code, ERR_REWRITE_TEMP_TAKEN);
  EXPECT_EQ(drives.ReadFile(Out()), "another run");

  const std::string held = drives.Path('C', "~mendora0.tmp");
  drives.WriteFile(held, "another run");
  ASSERT_EQ(test::Rewrite(drives.fs(), src, src, {"D:\\a.001"}, {"E:\\a.001"}).result, 1);
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), src).paths, std::vector<std::string>{"E:\\a.001"});
  EXPECT_EQ(drives.ReadFile(held), "another run");
  // A failure after the new file was begun takes only its own file away.
  FaultyFileSystem faulty(drives.fs());
  faulty.FailNth(FaultKind::kWrite, 0, kErrorDiskFull, true);
  EXPECT_EQ(test::Rewrite(faulty, src, src, {"E:\\a.001"}, {"C:\\a.001"}).result, 0);
  EXPECT_EQ(drives.ReadFile(held), "another run");
  EXPECT_FALSE(drives.Exists(drives.Path('C', "~mendora1.tmp")));
}

TEST_F(Builder, ASourceWithoutAUsableIndexFails) {
  // No index at all, or an index whose first entry repeats a frame that is
  // not there (it would name position 0, the RIFF header): 516, nothing in
  // place. An empty file is no AVI: no code, like any source that cannot be
  // loaded.
  FrameSpec repeat;
  repeat.in_movi = false;
  struct Case {
    const char* name;
    AviSpec::Idx1 idx1;
    bool odml;
    bool first_repeats;
  } cases[] = {{"no index", AviSpec::Idx1::kNone, false, false},
               {"idx1 repeat first", AviSpec::Idx1::kAbsolute, false, true},
               {"idx1 relative repeat first", AviSpec::Idx1::kRelative, false, true},
               {"indx repeat first", AviSpec::Idx1::kNone, true, true}};
  for (const Case& c : cases) {
    AviSpec recipe;
    recipe.idx1 = c.idx1;
    recipe.odml = c.odml;
    recipe.frames = {FrameSpec::Ref("D:\a.001"), FrameSpec::Ref("D:\b.001")};
    if (c.first_repeats) recipe.frames.insert(recipe.frames.begin(), repeat);
    const std::string src = Source(recipe);
    drives.fs().Delete(Out());
    test::StepResult r = test::Rewrite(drives.fs(), src, Out());
    EXPECT_EQ(r.result, 0) << c.name;
    EXPECT_EQ(r.code, ERR_REWRITE_READ) << c.name;
    EXPECT_EQ(r.detail, 0) << c.name;
    // Over the source itself the source stays as it was.
    const std::string before = drives.ReadFile(src);
    EXPECT_EQ(test::Rewrite(drives.fs(), src, src).code, ERR_REWRITE_READ) << c.name;
    EXPECT_EQ(drives.ReadFile(src), before) << c.name;
  }
  drives.fs().Delete(Out());
  drives.WriteFile(drives.Path('C', "empty.avi"), "");
  test::StepResult r = test::Rewrite(drives.fs(), drives.Path('C', "empty.avi"), Out());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.code, 0);
  EXPECT_FALSE(drives.Exists(Out()));
}

}  // namespace
}  // namespace mendora
