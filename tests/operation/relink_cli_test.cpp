// Relinking with mendora-cli fix on real reference AVI files, in-process:
// decoys refused by the content check, one --locate for a moved folder,
// --map, and what one reference AVI teaches the next ones of the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_fixture.h"

namespace mendora {
namespace {

using test::CliRun;

class RelinkCliTest : public test::CliDrivesTest {
 protected:
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  // Names of their own: under Wine, D: and E: are shared with other tests.
  const std::string avi = d.Path('D', "work\\relink.avi");
  const std::vector<std::string> old_ = {d.Path('D', "media\\rl1.001"), d.Path('D', "media\\rl2.001"),
                                         d.Path('D', "media\\sub\\rl3.001")};
  const std::vector<std::string> new_ = {d.Path('E', "archive\\media\\rl1.001"), d.Path('E', "archive\\media\\rl2.001"),
                                         d.Path('E', "archive\\media\\sub\\rl3.001")};
};

TEST_F(RelinkCliTest, AWalkedDecoyIsPassedOverWithItsReasonAndTheRightFileLinked) {
  const std::string gone = d.Path('D', "old\\rldecoy.001"), decoy = d.Path('C', "pal\\rldecoy.001");
  const std::string right = d.Path('E', "new\\rldecoy.001");
  Avi(avi, {gone});
  d.WriteFile(decoy, test::BuildDataFile(2, 144000));
  d.WriteFile(right, test::BuildDataFile(2));

  const CliRun run = Cli({"fix", "--drives", "CE", "--accept-first", "--backup", "0", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(avi), std::vector<std::string>{right});
  EXPECT_TRUE(Has(run.err, "Passed over:   " + decoy + "   has a frame of 144000 bytes at offset 0, not 120000"))
      << run.err;
  EXPECT_FALSE(Has(run.err, "Similar File:   " + decoy)) << run.err;
}

TEST_F(RelinkCliTest, ADecoyLocatedByHandIsRefusedAndTheReferenceAviUnchanged) {
  const std::string gone = d.Path('D', "old\\rlhand.001"), decoy = d.Path('E', "decoy\\rlhand.001");
  Avi(avi, {gone});
  d.WriteFile(decoy, test::BuildDataFile(1));  // a shorter capture
  const std::string original = d.ReadFile(avi);

  const CliRun run = Cli({"fix", "--drives", "C", "--locate", gone + "=" + decoy, avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.err, "The file " + decoy + " does not hold the frames of this reference AVI.\n"
                           "    It ends before the frame at offset 120008.\n"))
      << run.err;
  EXPECT_TRUE(Has(run.err, "missing data file not located: " + gone)) << run.err;
  EXPECT_EQ(d.ReadFile(avi), original);
  EXPECT_FALSE(d.Exists(avi + ".bak"));
  EXPECT_FALSE(d.Exists(avi + ".tmp"));
}

TEST_F(RelinkCliTest, OneLocateRelinksTheThreeFilesOfAMovedFolderWithItsSubfolder) {
  Avi(avi, old_);
  for (const std::string& path : new_) d.WriteFile(path, test::BuildDataFile(2));

  // C: holds none of them: the walk ends, rl1 is located by --locate, and
  // the other two are found through the folder it taught.
  const CliRun run = Cli({"fix", "--drives", "C", "--accept-first", "--backup", "0", "--locate",
                          old_[0] + "=" + new_[0], avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(avi), new_);
  EXPECT_TRUE(Has(run.err, "2 other missing data files were found in the same new folder. Update them all?\n"
                           "    " + old_[1] + "\n      -> " + new_[1] + "\n"
                           "    " + old_[2] + "\n      -> " + new_[2] + "\n"))
      << run.err;
}

TEST_F(RelinkCliTest, LearnedFilesWaitForAnAnswerWithoutAcceptFirst) {
  Avi(avi, old_);
  for (const std::string& path : new_) d.WriteFile(path, test::BuildDataFile(2));
  const std::string original = d.ReadFile(avi);
  const CliRun run = Cli({"fix", "--drives", "C", "--locate", old_[0] + "=" + new_[0], avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Has(run.err, "2 other missing data files")) << run.err;
  EXPECT_TRUE(Has(run.err, "missing data file not located: " + old_[1])) << run.err;
  EXPECT_EQ(d.ReadFile(avi), original);
}

TEST_F(RelinkCliTest, MapRelinksAWholeFolderWithoutAWalkOrAQuestion) {
  Avi(avi, old_);
  for (const std::string& path : new_) d.WriteFile(path, test::BuildDataFile(2));

  // A walk of E: would offer each file by name ("Similar File").
  const CliRun run = Cli({"fix", "--drives", "E", "--backup", "0", "--map",
                          d.Path('D', "media") + "=" + d.Path('E', "archive\\media"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(avi), new_);
  EXPECT_FALSE(Has(run.err, "Similar File")) << run.err;
  EXPECT_FALSE(Has(run.err, "File Not Found")) << run.err;
  EXPECT_FALSE(Has(run.err, "Update them all?")) << run.err;

  // A mapped file without the frames is not taken.
  Avi(avi, old_);
  d.WriteFile(new_[1], test::BuildDataFile(2, 144000));
  const std::string original = d.ReadFile(avi);
  const CliRun refused = Cli({"fix", "--drives", "C", "--map", d.Path('D', "media") + "=" + d.Path('E', "archive\\media"), avi});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Has(refused.err, "Passed over:   " + new_[1])) << refused.err;
  EXPECT_EQ(d.ReadFile(avi), original);

  EXPECT_EQ(Cli({"fix", "--map", "nothing", avi}).status, 2);
  EXPECT_EQ(Cli({"fix", "--map", "D:\\a=", avi}).status, 2);
}

TEST_F(RelinkCliTest, WhatOneReferenceTaughtServesTheFollowingOnesOfTheRun) {
  const std::string second = d.Path('D', "work\\relink2.avi");
  Avi(avi, {old_[0]});
  Avi(second, {old_[1], old_[2]});
  for (const std::string& path : new_) d.WriteFile(path, test::BuildDataFile(2));

  const CliRun run = Cli({"fix", "--drives", "C", "--accept-first", "--backup", "0", "--locate",
                          old_[0] + "=" + new_[0], avi, second});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(avi), std::vector<std::string>{new_[0]});
  EXPECT_EQ(Links(second), (std::vector<std::string>{new_[1], new_[2]}));
  // The second file's links came through the folder: no walk, no location.
  EXPECT_EQ(run.err.find("File Not Found"), run.err.rfind("File Not Found")) << run.err;
}

}  // namespace
}  // namespace mendora
