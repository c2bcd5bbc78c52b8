// Short DV AVIs made by ffmpeg, NTSC and PAL with audio, rewritten.
#include "rewrite/ffmpeg_check.h"

namespace mendora {
namespace {

TEST(RewriteFfmpeg, ShortNtscAndPalDvWithAudio) {
  SKIP_WITHOUT_FFMPEG();
  test::TestDrives drives;
  for (bool ntsc : {true, false}) {
    const char* label = ntsc ? "NTSC 3 s" : "PAL 3 s";
    const std::string source = drives.Path('C', ntsc ? "ntsc.avi" : "pal.avi");
    ASSERT_TRUE(test::MakeDvAvi(drives.Native(source), ntsc, 3));
    test::CheckRewrite(drives, source, drives.Path('D', ntsc ? "ntsc.avi" : "pal.avi"), label);
  }
}

}  // namespace
}  // namespace mendora
