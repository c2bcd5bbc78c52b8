// The analysis and the probe on real files: fixture files on the test
// drives, and DV AVI files made by ffmpeg (at test time natively; under
// Windows the build made them on the Linux side beforehand).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "refavi/ArchiveCheck.h"
#include "refavi/reader_test_util.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::TestDrives;

TEST(RealFiles, ReferencesResolveToDataFilesOnAnotherDrive) {
  TestDrives drives;
  const std::string data = drives.Path('D', "clips\\tape.001");
  const std::string avi_path = drives.Path('C', "ref.avi");
  AviSpec recipe;
  recipe.flags |= AVIF_WASCAPTUREFILE;
  recipe.rec_lists = true;  // the walk does not read the records: the index resolves them
  recipe.audio = true;
  for (int i = 0; i < 8; ++i) recipe.frames.push_back(FrameSpec::Ref(data, 0));
  recipe.frames.push_back(FrameSpec::Data(kDvFrameSize525));
  drives.WriteFile(avi_path, test::BuildAvi(recipe));
  drives.WriteFile(data, test::BuildDataFile(4));
  {
    ContentListReader reader(drives.fs());
    EXPECT_EQ(reader.GetContentList(avi_path, 1, nullptr, nullptr), 1);
    const VideoStream* video = reader.selected_video_stream();
    ASSERT_NE(video, nullptr);
    ASSERT_EQ(video->data_files().size(), 1u);
    EXPECT_EQ(video->data_files()[0]->Name(), data);
    EXPECT_EQ(video->data_files()[0]->Size(), 4u * kWholeFileStep525);
    EXPECT_EQ(video->positions[3], 3 * kWholeFileStep525);
    EXPECT_EQ(video->positions[4], 0u);
    EXPECT_EQ(video->sources[7], video->data_files()[0].get());
    EXPECT_EQ(video->sources[8], reader.file());
  }  // the reader keeps its files open, with read sharing only, until it goes

  // The same references read from "movi" give the data links.
  recipe.rec_lists = false;
  drives.WriteFile(avi_path, test::BuildAvi(recipe));
  test::Analysis a = test::Analyze(drives.fs(), avi_path);
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.list.paths(), std::vector<std::string>{data});
  EXPECT_EQ(ProbeDvFile(drives.fs(), avi_path), kDvProbeIsDv);
  EXPECT_EQ(ProbeDvFile(drives.fs(), data), kDvProbeIsDv);
  EXPECT_EQ(ProbeDvFile(drives.fs(), drives.Path('D', "clips\\none.001")), kDvProbeOpenFailed);
}

// DV media made by ffmpeg.
class FfmpegMedia : public ::testing::Test {
 protected:
  // The Windows path of a media file, or empty when it cannot be had.
  std::string Media(const std::string& name, const std::string& ffmpeg_args) {
#ifdef _WIN32
    (void)ffmpeg_args;
#ifdef MENDORA_DV_MEDIA_DIR
    std::string path = std::string("Z:") + MENDORA_DV_MEDIA_DIR + "/" + name;
    for (char& c : path)
      if (c == '/') c = '\\';
    if (std::filesystem::exists(path)) return path;
#endif
    return {};
#else
    const std::string path = drives_.Path('C', name);
    const std::string command = "ffmpeg -nostdin -v error -y " + ffmpeg_args + " '" + drives_.Native(path) + "'";
    if (std::system(command.c_str()) != 0) return {};
    return path;
#endif
  }
  FileSystem& fs() {
#ifdef _WIN32
    return SystemFileSystem();
#else
    return drives_.fs();
#endif
  }
  TestDrives drives_;
};

#define MEDIA_OR_SKIP(var, name, args)                                          \
  const std::string var = Media(name, args);                                    \
  if (var.empty()) GTEST_SKIP() << "ffmpeg media not available: " << name;

const char kNtscArgs[] =
    "-f lavfi -i testsrc=size=720x480:rate=30000/1001 -f lavfi -i sine=frequency=1000:sample_rate=48000 "
    "-t 0.2 -c:v dvvideo -pix_fmt yuv411p -c:a pcm_s16le -ac 2 -ar 48000";
const char kPalArgs[] =
    "-f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=frequency=1000:sample_rate=48000 "
    "-t 0.2 -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -ac 2 -ar 48000";
const char kVideoOnlyArgs[] = "-f lavfi -i testsrc=size=720x480:rate=30000/1001 -t 0.2 -c:v dvvideo -pix_fmt yuv411p";
const char kWaveArgs[] = "-f lavfi -i sine=frequency=1000:sample_rate=48000 -t 0.1 -c:a pcm_s16le";

TEST_F(FfmpegMedia, DvAvisAreDvWithoutDataLinks) {
  MEDIA_OR_SKIP(ntsc, "ntsc.avi", kNtscArgs);
  MEDIA_OR_SKIP(pal, "pal.avi", kPalArgs);
  for (const std::string& path : {ntsc, pal}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(ProbeDvFile(fs(), path), kDvProbeIsDv);
    test::Analysis a = test::Analyze(fs(), path);
    EXPECT_EQ(a.result, 0);
    EXPECT_TRUE(a.list.empty());  // the operation reports this as code 97
    // ffmpeg gives the sound stream a handler (1): the archive check still
    // tells a DV AVI without links from one it cannot read.
    const FileCheck check = ArchiveCheck(fs()).CheckFile(path, nullptr);
    EXPECT_EQ(check.status, CheckStatus::kSelfContained) << check.reason;
  }
}

TEST_F(FfmpegMedia, IndexOfARealDvAviPointsAtItsFrames) {
  MEDIA_OR_SKIP(path, "video.avi", kVideoOnlyArgs);
  ContentListReader reader(fs());
  EXPECT_EQ(reader.GetContentList(path, 1, nullptr, nullptr), 1);
  const VideoStream* video = reader.selected_video_stream();
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->positions.size(), 6u);  // 0.2 s at 29.97 frames a second
  BufferedFile* file = reader.file();
  for (uint64_t p : video->positions) {
    uint8_t header[8];
    ASSERT_TRUE(file->SeekTo(p));
    ASSERT_EQ(file->Read(header, 8), 8u);
    EXPECT_EQ(LoadU32(header), fcc::id00dc);
    EXPECT_EQ(LoadU32(header + 4), kDvFrameSize525);
  }
}

TEST_F(FfmpegMedia, WaveIsNotDv) {
  MEDIA_OR_SKIP(path, "tone.wav", kWaveArgs);
  EXPECT_EQ(ProbeDvFile(fs(), path), kDvProbeNotDv);
}

}  // namespace
}  // namespace mendora
