// mendora-cli rewrite: arguments, replacement pairs, exit status and the
// error line.
#include <gtest/gtest.h>

#include "rewrite/cli_drive_c.h"
#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::CliRun;
using test::FrameSpec;

class CliRewrite : public test::CliOnDriveC {};

TEST_F(CliRewrite, ReplacesThePairsGiven) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\clips\\a.001"), FrameSpec::Ref("D:\\clips\\b.001")};
  drives.WriteFile(drives.Path('C', "ref.avi"), test::BuildAvi(recipe));
  CliRun run = Cli({"rewrite", Arg("ref.avi"), Arg("new.avi"), "D:\\clips\\b.001", "E:\\b.001"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), drives.Path('C', "new.avi")).paths,
            (std::vector<std::string>{"D:\\clips\\a.001", "E:\\b.001"}));
  // Over the source itself.
  run = Cli({"rewrite", Arg("new.avi"), Arg("new.avi"), "D:\\clips\\a.001", "E:\\a.001"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(test::AnalyzeLinks(drives.fs(), drives.Path('C', "new.avi")).paths,
            (std::vector<std::string>{"E:\\a.001", "E:\\b.001"}));
}

TEST_F(CliRewrite, FailuresPrintTheCodeAndUsageErrorsExitWith2) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001")};
  std::string bytes = test::BuildAvi(recipe);
  // The REF record's id spoiled: 516.
  const size_t at = bytes.find("REF ");
  bytes.replace(at, 4, "XXXX");
  drives.WriteFile(drives.Path('C', "bad.avi"), bytes);
  CliRun run = Cli({"rewrite", Arg("bad.avi"), Arg("out.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "error 516: An Errror has occured.\n");
  // A source that is missing, or no AVI at all, is named as such.
  run = Cli({"rewrite", Arg("none.avi"), Arg("out.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "error 289: File Open Failure.\n");
  drives.WriteFile(drives.Path('C', "text.avi"), "plain text, not RIFF");
  drives.WriteFile(drives.Path('C', "empty.avi"), "");
  for (const char* name : {"text.avi", "empty.avi"}) {
    run = Cli({"rewrite", Arg(name), Arg("none.out")});
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.err, "error 0: An Errror has occured.\n" + Arg(name) + " is not an AVI file that can be read\n");
    EXPECT_FALSE(drives.Exists(drives.Path('C', "none.out"))) << name;
  }
  // No index locates the frames: nothing can be copied.
  recipe.idx1 = AviSpec::Idx1::kNone;
  drives.WriteFile(drives.Path('C', "unindexed.avi"), test::BuildAvi(recipe));
  run = Cli({"rewrite", Arg("unindexed.avi"), Arg("out.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "error 516: An Errror has occured.\n");
  run = Cli({"rewrite", Arg("bad.avi")});
  EXPECT_EQ(run.status, 2);
  run = Cli({"rewrite", Arg("bad.avi"), Arg("out.avi"), "D:\\a.001"});
  EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace mendora
