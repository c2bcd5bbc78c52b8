// mendora-cli export and recover: what they print, their exit status, and
// the files they leave.
#include <gtest/gtest.h>

#include "rewrite/cli_drive_c.h"
#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::CliRun;
using test::FrameSpec;

class CliExport : public test::CliOnDriveC {
 protected:
  // A reference AVI of three frames of take.001 and one of take.002.
  void WriteReference() {
    AviSpec recipe;
    recipe.audio = true;
    for (int i = 0; i < 3; ++i) recipe.frames.push_back(FrameSpec::Ref(Arg("take.001"), i * 120008));
    recipe.frames.push_back(FrameSpec::Ref(Arg("take.002"), 0));
    drives.WriteFile(drives.Path('C', "ref.avi"), test::BuildAvi(recipe));
    drives.WriteFile(drives.Path('C', "take.001"), test::BuildDataFile(3));
    drives.WriteFile(drives.Path('C', "take.002"), test::BuildDataFile(1));
  }
};

TEST_F(CliExport, ExportsRefusesAMissingDataFileAndAnExistingOutput) {
  WriteReference();
  ASSERT_TRUE(drives.fs().Delete(drives.Path('C', "take.002")));
  CliRun run = Cli({"export", Arg("ref.avi"), Arg("dv.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("error 520: A data file is missing"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("  " + Arg("take.002") + " is missing\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("take.001"), std::string::npos) << run.err;
  EXPECT_FALSE(drives.Exists(drives.Path('C', "dv.avi")));

  drives.WriteFile(drives.Path('C', "take.002"), test::BuildDataFile(1));
  run = Cli({"export", Arg("ref.avi"), Arg("dv.avi")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "exported 4 frames to " + Arg("dv.avi") + "\n");
  // Again: the output exists.
  run = Cli({"export", Arg("ref.avi"), Arg("dv.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("error 273: File Exists"), std::string::npos) << run.err;
  run = Cli({"export", "--yes", Arg("ref.avi"), Arg("dv.avi")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Cli({"export", Arg("ref.avi")}).status, 2);
}

TEST_F(CliExport, RecoverTellsTheFramesKeptAndWhereTheDamageStarts) {
  WriteReference();
  std::string bytes = drives.ReadFile(drives.Path('C', "ref.avi"));
  const test::Seen* third = nullptr;
  int video = 0;
  const auto seen = test::Structure(bytes, true);
  for (const test::Seen& s : seen)
    if (s.id == fcc::id00db && ++video == 3) third = &s;
  ASSERT_NE(third, nullptr);
  bytes.resize(third->position + 20);
  drives.WriteFile(drives.Path('C', "cut.avi"), bytes);
  CliRun run = Cli({"recover", Arg("cut.avi"), Arg("mended.avi")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "kept 2 frames and 2 sound chunks\nthe damage starts at offset " +
                         std::to_string(third->position) + "\n");
  EXPECT_EQ(test::VideoPositions(drives.fs(), drives.Path('C', "mended.avi")).size(), 2u);
}

}  // namespace
}  // namespace mendora
