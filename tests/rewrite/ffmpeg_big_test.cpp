// Multi-GiB DV AVIs made by ffmpeg (label "big"): sources past 1 GiB, where
// ffmpeg itself writes "AVIX" continuations, and ten minutes of NTSC, where
// the writer starts one at 2 GiB.
#include "rewrite/ffmpeg_check.h"

namespace mendora {
namespace {

TEST(RewriteFfmpegBig, NtscAndPalPastOneGibibyte) {
  SKIP_WITHOUT_FFMPEG();
  for (bool ntsc : {true, false}) {
    test::TestDrives drives;
    const char* label = ntsc ? "NTSC 300 s" : "PAL 300 s";
    const std::string source = drives.Path('C', "src.avi");
    ASSERT_TRUE(test::MakeDvAvi(drives.Native(source), ntsc, 300));
    ASSERT_TRUE(test::HasAvix(drives.Native(source)));
    const std::string output = drives.Path('C', "out.avi");
    test::CheckRewrite(drives, source, output, label);
    // Below 2 GiB the output is one RIFF.
    EXPECT_FALSE(test::HasAvix(drives.Native(output)));
  }
}

TEST(RewriteFfmpegBig, TenMinutesOfNtscMakeTheWriterStartAnAvix) {
  SKIP_WITHOUT_FFMPEG();
  test::TestDrives drives;
  const std::string source = drives.Path('C', "src.avi");
  ASSERT_TRUE(test::MakeDvAvi(drives.Native(source), true, 600));
  const std::string output = drives.Path('C', "out.avi");
  test::CheckRewrite(drives, source, output, "NTSC 600 s");
  EXPECT_TRUE(test::HasAvix(drives.Native(output)));
}

}  // namespace
}  // namespace mendora
