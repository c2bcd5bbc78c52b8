// DV AVIs made by ffmpeg, split into data files and a reference AVI, then
// exported: the export must demux to the original's packets.
#include <algorithm>

#include "rewrite/ExportAvi.h"
#include "rewrite/export_test_util.h"
#include "rewrite/ffmpeg_check.h"

namespace mendora {
namespace {

// A DV AVI of three seconds with 48 kHz stereo sound. Its header tells the
// frames' own 4:3 aspect, as a capture's does: the reference AVI made from
// it has no "vprp", and the aspect then comes from the frames.
bool MakeDvAvi(const std::string& native, bool ntsc) {
  const std::string video = ntsc ? "testsrc=size=720x480:rate=30000/1001 -pix_fmt yuv411p"
                                 : "testsrc=size=720x576:rate=25 -pix_fmt yuv420p";
  const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=1000:sample_rate=48000 -f lavfi -i " +
                              video + " -map 1:v -map 0:a -t 3 -aspect 4:3 -c:v dvvideo -c:a pcm_s16le -ac 2 -ar 48000 " +
                              test::Quote(native);
  return std::system(command.c_str()) == 0;
}

TEST(ExportFfmpeg, AnExportDemuxesAsTheDvAviTheReferenceWasMadeFrom) {
  SKIP_WITHOUT_FFMPEG();
  for (bool ntsc : {true, false}) {
    SCOPED_TRACE(ntsc ? "NTSC" : "PAL");
    test::TestDrives drives;
    const std::string original = drives.Path('C', "original.avi");
    ASSERT_TRUE(MakeDvAvi(drives.Native(original), ntsc));
    const test::SplitAvi split =
        test::SplitDvAvi(drives, original, drives.Path('C', "take.avi"), drives.Path('D', "clips\\take"), 3, ntsc);
    ASSERT_EQ(split.data_files.size(), 3u);
    const std::string output = drives.Path('E', "take-dv.avi");
    ExportOutcome outcome;
    ASSERT_EQ(ExportDvAvi(drives.fs(), split.reference, output, false, &outcome, nullptr), 1) << outcome.code;
    EXPECT_EQ(outcome.frames, split.frames.size());
    const std::string expected = test::Framemd5(drives.Native(original));
    EXPECT_GT(expected.size(), 1000u);
    const std::string got = test::Framemd5(drives.Native(output));
    EXPECT_TRUE(got == expected) << "framemd5 differs; first differing line: "
                                 << got.substr(std::mismatch(got.begin(), got.end(), expected.begin(), expected.end()).first - got.begin(), 80);
    int status = 0;
    EXPECT_EQ(test::FfprobeMessages(drives.Native(output), &status), "");
    EXPECT_EQ(status, 0);
  }
}

}  // namespace
}  // namespace mendora
