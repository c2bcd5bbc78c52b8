// The content check: a candidate data file is linked only when it holds the
// frames at the offsets the reference's REF records name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refavi/ContentCheck.h"
#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

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
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string candidate = std::string("E:\\") + c.name + ".avi";
    if (!c.data.empty()) fs.Add(candidate, c.data);
    const ContentCheckResult result = CheckLinkContent(fs, candidate, *frames.Find(kTape), frames.frame_size);
    EXPECT_EQ(result.verdict, c.verdict);
    EXPECT_EQ(result.offset, c.offset);
    EXPECT_EQ(result.ok(), c.verdict == ContentVerdict::kHoldsFrames);
  }
  const ContentCheckResult pal = CheckLinkContent(fs, "E:\\PAL frames.avi", *frames.Find(kTape), 120000);
  EXPECT_EQ(DescribeContentCheck(pal, 120000), "has a frame of 144000 bytes at offset 0, not 120000");
}

}  // namespace
}  // namespace mendora
