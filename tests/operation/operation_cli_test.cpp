// mendora-cli fix, copy and move on real reference AVI files, in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "refavi/fixtures.h"

namespace mendora {
namespace {

using test::CliRun;

class OperationCliTest : public ::testing::Test {
 protected:
  CliRun Cli(std::vector<std::string> arguments) { return test::RunCli(d, "CDE", std::move(arguments)); }

  // A reference AVI with two frames naming each link.
  void Avi(const std::string& path, const std::vector<std::string>& links) {
    test::AviSpec recipe;
    for (const std::string& link : links) {
      recipe.frames.push_back(test::FrameSpec::Ref(link, 8));
      recipe.frames.push_back(test::FrameSpec::Ref(link, 8 + 120008));
    }
    d.WriteFile(path, test::BuildAvi(recipe));
  }

  std::vector<std::string> Links(const std::string& path) { return test::LinksOf(d.fs(), path); }

  test::TestDrives d;
  test::CliSettingsFile settings_{d};
};

TEST_F(OperationCliTest, FixWritesTheCorrectedFileAndKeepsABackupUnlessTold) {
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001");
  const std::string gone = d.Path('E', "old\\clip.002"), found = d.Path('C', "x\\clip.002");
  Avi(avi, {one, gone});
  const std::string original = d.ReadFile(avi);
  d.WriteFile(one, test::BuildDataFile(2, 100));
  d.WriteFile(found, test::BuildDataFile(2, 100));

  CliRun run = Cli({"fix", avi});
  EXPECT_EQ(run.status, 1) << "a link left missing";
  EXPECT_NE(run.err.find(gone), std::string::npos) << run.err;
  EXPECT_EQ(d.ReadFile(avi), original);

  run = Cli({"fix", "--locate", gone + "=" + found, avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Corrected Data File Paths of Avi File:   " + avi + "     \n" +
                         "Finished Checking Avi File:   " + avi + "     \n");
  EXPECT_EQ(Links(avi), (std::vector<std::string>{one, found}));
  EXPECT_EQ(d.ReadFile(avi + ".bak"), original);

  Avi(avi, {one, gone});
  run = Cli({"fix", "--backup", "0", "--locate", gone + "=" + found, avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(d.ReadFile(avi + ".bak"), original) << "the earlier backup is left as it was";
  EXPECT_EQ(Links(avi), (std::vector<std::string>{one, found}));
  EXPECT_FALSE(d.Exists(avi + ".tmp"));
}

TEST_F(OperationCliTest, MoveAndCopyCarryTheDataFilesToTheFolderGiven) {
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001"), two = d.Path('C', "b\\clip.002");
  Avi(avi, {one, two});
  const std::string data1 = test::BuildDataFile(2, 100), data2 = test::BuildDataFile(3, 100);
  d.WriteFile(one, data1);
  d.WriteFile(two, data2);
  d.WriteFile(d.Path('E', "copy\\x"), "");
  d.WriteFile(d.Path('E', "moved\\x"), "");

  CliRun run = Cli({"copy", avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("--to"), std::string::npos) << run.err;

  run = Cli({"copy", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Finished Copying Avi File:   " + avi + "     \n");
  EXPECT_EQ(Links(d.Path('E', "copy\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "copy\\clip.001"), d.Path('E', "copy\\clip.002")}));
  EXPECT_EQ(d.ReadFile(d.Path('E', "copy\\clip.002")), data2);
  EXPECT_EQ(d.ReadFile(two), data2);

  // The output exists now: without --yes it stays.
  run = Cli({"copy", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Overwrite"), std::string::npos);
  EXPECT_FALSE(d.Exists(d.Path('E', "copy\\clip~001.001")));
  run = Cli({"copy", "--yes", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(d.Path('E', "copy\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "copy\\clip~001.001"), d.Path('E', "copy\\clip~001.002")}));

  run = Cli({"move", "--backup", "0", "--to", d.Path('E', "moved"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Finished Moving Avi File:   " + avi + "     \n");
  EXPECT_FALSE(d.Exists(avi));
  EXPECT_FALSE(d.Exists(avi + ".bak"));
  EXPECT_FALSE(d.Exists(one));
  EXPECT_EQ(d.ReadFile(d.Path('E', "moved\\clip.001")), data1);
  EXPECT_EQ(Links(d.Path('E', "moved\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "moved\\clip.001"), d.Path('E', "moved\\clip.002")}));
}

TEST_F(OperationCliTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Cli({"move"}).status, 2);
  EXPECT_EQ(Cli({"fix", "--backup", "2", "x.avi"}).status, 2);
  EXPECT_EQ(Cli({"copy", "--locate", "nothing", "x.avi"}).status, 2);
  const CliRun run = Cli({"fix", d.Path('D', "none.avi")});
  EXPECT_EQ(run.status, 1);
  // A file that cannot be opened fails the DV check before anything runs.
  EXPECT_EQ(run.err, "error 289: File Open Failure.\n    " + d.Path('D', "none.avi") + "\n");
}

}  // namespace
}  // namespace mendora
