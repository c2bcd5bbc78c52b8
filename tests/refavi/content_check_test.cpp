// The content check: a candidate data file is linked only when it holds the
// frames at the offsets the reference's REF records name.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "refavi/ContentCheck.h"
#include "refavi/reader_test_util.h"
#include "support/faulty_fs.h"
#include "support/test_drives.h"

#ifndef _WIN32
#include "platform/posix/fs_posix.h"
#endif

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

// Candidates in memory and on disk, where the system reads the headers in
// batches (io_uring natively) and, natively, one pread each as where
// io_uring is refused. The verdicts must not depend on the way.
class Candidates {
 public:
  struct Way {
    const char* name;
    FileSystem* fs;
  };

  Candidates() {
    ways_.push_back({"memory", &memory_});
    ways_.push_back({"disk", &drives_.fs()});
#ifndef _WIN32
    DriveMap map;
    map.Set('E', drives_.Native(drives_.Root('E')));
    pread_ = std::make_unique<PosixFileSystem>(map, ReadBatching::kPread);
    ways_.push_back({"disk, one pread each", pread_.get()});
#endif
  }

  std::string Path(const std::string& name) const { return drives_.Path('E', name); }
  void Add(const std::string& path, const std::string& bytes) {
    memory_.Add(path, bytes);
    drives_.WriteFile(path, bytes);
  }
  const std::vector<Way>& ways() const { return ways_; }
  MemoryFileSystem& memory() { return memory_; }

 private:
  MemoryFileSystem memory_;
  test::TestDrives drives_;
  std::unique_ptr<FileSystem> pread_;
  std::vector<Way> ways_;
};

const char kTape[] = "D:\\clips\\tape1.avi";
const char kOther[] = "D:\\clips\\tape2.avi";
constexpr uint32_t kStep = 120008;  // an NTSC frame chunk with its header

// A reference (NTSC) taking frames 0, 2, 1 and 2 again of tape1 and frame 0
// of tape2, with one frame of its own between them.
AviSpec Reference() {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref(kTape, 0), FrameSpec::Ref(kTape, 2 * kStep), FrameSpec::Data(120000),
                   FrameSpec::Ref(kOther, 0), FrameSpec::Ref(kTape, kStep), FrameSpec::Ref(kTape, 2 * kStep)};
  return recipe;
}

TEST(ContentCheck, TheReferenceNamesEachLinksFramesOnceInFileOrder) {
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(Reference()));
  ReferenceFrames frames;
  ASSERT_TRUE(ReadReferenceFrames(fs, "C:\\ref.avi", &frames));
  EXPECT_EQ(frames.frame_size, 120000u);
  ASSERT_EQ(frames.links.size(), 2u);
  EXPECT_EQ(frames.links[0].path, kTape);
  EXPECT_EQ(frames.links[0].offsets, (std::vector<uint32_t>{0, kStep, 2 * kStep}));
  EXPECT_EQ(frames.links[1].path, kOther);
  EXPECT_EQ(frames.links[1].offsets, std::vector<uint32_t>{0});
  EXPECT_EQ(frames.Find(kOther), &frames.links[1]);
  EXPECT_EQ(frames.Find("D:\\CLIPS\\TAPE2.AVI"), nullptr);

  AviSpec pal = Reference();
  pal.height = 576;
  fs.Add("C:\\pal.avi", test::BuildAvi(pal));
  ASSERT_TRUE(ReadReferenceFrames(fs, "C:\\pal.avi", &frames));
  EXPECT_EQ(frames.frame_size, 144000u);

  EXPECT_FALSE(ReadReferenceFrames(fs, "C:\\absent.avi", &frames));
  EXPECT_TRUE(frames.links.empty());
}

TEST(ContentCheck, OnlyAFileWithTheFramesAtTheirOffsetsPasses) {
  std::string shifted = "JUNK" + test::U32(0) + test::BuildDataFile(3);
  std::string compressed = test::BuildDataFile(3);
  compressed[2] = 'd';
  compressed[3] = 'c';  // "00dc" frames are video frames too
  std::string audio = test::BuildDataFile(3);
  audio[kStep + 2] = 'w';  // the second chunk is "00wb"
  struct Case {
    const char* name;
    std::string data;  // empty: no file
    ContentVerdict verdict;
    uint64_t offset;
  } cases[] = {
      {"the capture itself", test::BuildDataFile(3), ContentVerdict::kHoldsFrames, 0},
      {"a longer capture", test::BuildDataFile(5), ContentVerdict::kHoldsFrames, 0},
      {"compressed-frame ids", compressed, ContentVerdict::kHoldsFrames, 0},
      {"no file", "", ContentVerdict::kCannotOpen, 0},
      {"a shorter capture", test::BuildDataFile(2), ContentVerdict::kPastEnd, 2 * kStep},
      {"cut inside the last frame", test::BuildDataFile(3).substr(0, 3 * kStep - 1), ContentVerdict::kPastEnd,
       2 * kStep},
      {"PAL frames", test::BuildDataFile(3, 144000), ContentVerdict::kWrongSize, 0},
      {"an audio chunk at a frame", audio, ContentVerdict::kNoFrameChunk, kStep},
      {"frames 8 bytes later", shifted, ContentVerdict::kNoFrameChunk, 0},
  };
  MemoryFileSystem fs;
  fs.Add("C:\\ref.avi", test::BuildAvi(Reference()));
  ReferenceFrames frames;
  ASSERT_TRUE(ReadReferenceFrames(fs, "C:\\ref.avi", &frames));
  Candidates candidates;
  for (const Case& c : cases)
    if (!c.data.empty()) candidates.Add(candidates.Path(std::string(c.name) + ".avi"), c.data);
  for (const Candidates::Way& way : candidates.ways()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(way.name) + ": " + c.name);
      const ContentCheckResult result = CheckLinkContent(*way.fs, candidates.Path(std::string(c.name) + ".avi"),
                                                         *frames.Find(kTape), frames.frame_size);
      EXPECT_EQ(result.verdict, c.verdict);
      EXPECT_EQ(result.offset, c.offset);
      EXPECT_EQ(result.ok(), c.verdict == ContentVerdict::kHoldsFrames);
    }
  }
  const ContentCheckResult pal =
      CheckLinkContent(candidates.memory(), candidates.Path("PAL frames.avi"), *frames.Find(kTape), 120000);
  EXPECT_EQ(DescribeContentCheck(pal, 120000), "has a frame of 144000 bytes at offset 0, not 120000");
}

// A long link is read in batches: the first failing frame is found in any
// of them, at their edges too, and a read that fails is a missing frame.
// Frames of 8 bytes stand 16 bytes apart, so ten thousand make a small file.
TEST(ContentCheck, TheFirstFailingFrameOfALongLinkWhereverItLies) {
  constexpr uint32_t kFrames = 10000, kSize = 8, kApart = 16;
  LinkFrames link;
  link.path = kTape;
  for (uint32_t k = 0; k < kFrames; ++k) link.offsets.push_back(k * kApart);
  const std::string good = test::BuildDataFile(kFrames, kSize);
  ASSERT_EQ(good.size(), size_t{kFrames} * kApart);
  enum Damage { kNone, kAudioId, kOtherSize, kCut, kReadFails };
  struct Case {
    Damage damage;
    uint32_t frame;  // the frame damaged, or where the file ends
    ContentVerdict verdict;
  } cases[] = {
      {kNone, 0, ContentVerdict::kHoldsFrames},
      {kAudioId, 0, ContentVerdict::kNoFrameChunk},
      {kAudioId, 63, ContentVerdict::kNoFrameChunk},
      {kAudioId, 64, ContentVerdict::kNoFrameChunk},
      {kOtherSize, 191, ContentVerdict::kWrongSize},
      {kOtherSize, 192, ContentVerdict::kWrongSize},
      {kAudioId, 4500, ContentVerdict::kNoFrameChunk},
      {kOtherSize, kFrames - 1, ContentVerdict::kWrongSize},
      {kCut, 1, ContentVerdict::kPastEnd},
      {kCut, 448, ContentVerdict::kPastEnd},
      {kCut, 8127, ContentVerdict::kPastEnd},
      {kCut, kFrames - 1, ContentVerdict::kPastEnd},
      {kReadFails, 0, ContentVerdict::kNoFrameChunk},
      {kReadFails, 960, ContentVerdict::kNoFrameChunk},
      {kReadFails, kFrames - 1, ContentVerdict::kNoFrameChunk},
  };
  Candidates candidates;
  std::vector<std::string> paths;
  for (const Case& c : cases) {
    std::string data = good;
    const size_t at = size_t{c.frame} * kApart;
    if (c.damage == kAudioId) data.replace(at, 4, "01wb");
    if (c.damage == kOtherSize) data.replace(at + 4, 4, test::U32(kSize + 1));
    // Cut one byte short of the frame's end.
    if (c.damage == kCut) data.resize(at + kApart - 1);
    paths.push_back(candidates.Path("frames" + std::to_string(paths.size()) + ".001"));
    candidates.Add(paths.back(), data);
  }
  for (const Candidates::Way& way : candidates.ways()) {
    for (size_t i = 0; i < std::size(cases); ++i) {
      const Case& c = cases[i];
      SCOPED_TRACE(std::string(way.name) + ": frame " + std::to_string(c.frame) + ", damage " +
                   std::to_string(c.damage));
      // A file that fails reads is wrapped, and so read one by one; the
      // others are read the file system's own way.
      FaultyFileSystem faulty(*way.fs);
      faulty.FailNth(FaultKind::kRead, static_cast<int>(c.frame), kErrorReadFault);
      FileSystem& fs = c.damage == kReadFails ? faulty : *way.fs;
      const ContentCheckResult result = CheckLinkContent(fs, paths[i], link, kSize);
      EXPECT_EQ(result.verdict, c.verdict);
      EXPECT_EQ(result.offset, c.damage == kNone ? 0 : uint64_t{c.frame} * kApart);
      EXPECT_EQ(result.found_size, c.verdict == ContentVerdict::kWrongSize ? kSize + 1 : 0u);
    }
  }
  // A file of another capture is passed over after its first few frames.
  MemoryFileSystem& memory = candidates.memory();
  memory.ClearReads();
  EXPECT_EQ(CheckLinkContent(memory, paths[1], link, kSize).verdict, ContentVerdict::kNoFrameChunk);
  EXPECT_LE(memory.reads().size(), 64u);
}

}  // namespace
}  // namespace mendora
