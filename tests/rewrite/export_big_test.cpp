// An export past 4 GiB with sound (label "big"): 36,000 NTSC frames (20
// minutes) taken over and over from three data files that hold the first
// 300 frames of a DV AVI made by ffmpeg; the sound is silence. Every packet
// ffmpeg demuxes from the export is checked against what it must be.
#include <map>
#include <sstream>

#include "refavi_make_reference.h"
#include "rewrite/ExportAvi.h"
#include "rewrite/export_test_util.h"
#include "rewrite/ffmpeg_check.h"

namespace mendora {
namespace {

struct Packet {
  int stream = -1;
  int64_t dts = 0;
  uint64_t size = 0;
  std::string hash;
};

std::vector<Packet> ParseFramemd5(const std::string& text) {
  std::vector<Packet> packets;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    Packet p;
    char comma;
    int64_t pts, duration;
    std::istringstream fields(line);
    fields >> p.stream >> comma >> p.dts >> comma >> pts >> comma >> duration >> comma >> p.size >> comma >> p.hash;
    packets.push_back(p);
  }
  return packets;
}

std::string Md5OfZeros(uint64_t n) {
  int status = 0;
  const std::string out = test::Capture("head -c " + std::to_string(n) + " /dev/zero | md5sum", &status);
  return out.substr(0, 32);
}

TEST(ExportBig, PastFourGibibytesWithSound) {
  SKIP_WITHOUT_FFMPEG();
  test::TestDrives drives;
  const std::string clip = drives.Path('C', "clip.avi");
  ASSERT_TRUE(test::MakeDvAvi(drives.Native(clip), true, 10));
  std::vector<std::string> frames;
  test::MoviChunks(drives.ReadFile(clip), &frames, nullptr);
  ASSERT_GE(frames.size(), 300u);
  frames.resize(300);
  // The reference names D:\Capture\Tape 07\clip.00N: each holds the 300 frames.
  std::string data;
  for (const std::string& f : frames) data += test::U32(fcc::id00db) + test::U32(kDvFrameSize525) + f;
  bench::ReferenceAviShape shape;
  shape.frames = 36000;
  shape.data_files = 3;
  shape.cycle = 300;
  // The recorded links name D: itself, which natively is the test's own.
  if (drives.Path('D', "x") != "D:\\x") GTEST_SKIP() << "drive D: is not the test's own";
  for (int n = 1; n <= 3; ++n) {
    drives.WriteFile(drives.Path('D', "Capture\\Tape 07\\clip.00" + std::to_string(n)), data);
  }
  const std::string reference = drives.Path('C', "long.avi");
  ASSERT_TRUE(bench::WriteReferenceAvi(drives.Native(reference), shape));
  const std::string output = drives.Path('E', "long-dv.avi");
  ExportOutcome outcome;
  ASSERT_EQ(ExportDvAvi(drives.fs(), reference, output, false, &outcome, nullptr), 1) << outcome.code;
  uint64_t size = 0;
  ASSERT_TRUE(drives.fs().GetSize(output, &size));
  EXPECT_GT(size, 0x100000000ull);
  EXPECT_TRUE(test::HasAvix(drives.Native(output)));

  const std::vector<Packet> clip_packets = ParseFramemd5(test::Framemd5(drives.Native(clip)));
  std::vector<std::string> clip_video;
  for (const Packet& p : clip_packets)
    if (p.stream == 0) clip_video.push_back(p.hash);
  ASSERT_GE(clip_video.size(), 300u);
  // ffmpeg hands out PCM in packets of at most 1024 samples: each sound
  // chunk of 1601 or 1602 samples (silence) comes as two.
  std::map<uint64_t, std::string> silence;
  std::vector<uint64_t> sound_sizes;
  for (uint32_t i = 0; i < shape.frames; ++i) {
    const uint32_t samples = i % 5 == 1 || i % 5 == 3 ? 1601 : 1602;
    sound_sizes.push_back(1024 * 4);
    sound_sizes.push_back((samples - 1024) * 4);
  }
  for (uint64_t n : sound_sizes)
    if (silence.count(n) == 0) silence[n] = Md5OfZeros(n);
  const std::vector<Packet> packets = ParseFramemd5(test::Framemd5(drives.Native(output)));
  uint32_t video = 0, audio = 0, wrong = 0;
  for (const Packet& p : packets) {
    if (p.stream == 0) {
      if (p.dts != video || p.size != kDvFrameSize525 || p.hash != clip_video[video % 300]) ++wrong;
      ++video;
    } else {
      if (audio >= sound_sizes.size() || p.size != sound_sizes[audio] || p.hash != silence[p.size]) ++wrong;
      ++audio;
    }
  }
  EXPECT_EQ(video, shape.frames);
  EXPECT_EQ(audio, sound_sizes.size());
  EXPECT_EQ(wrong, 0u);
  int status = 0;
  EXPECT_EQ(test::FfprobeMessages(drives.Native(output), &status), "");
}

}  // namespace
}  // namespace mendora
