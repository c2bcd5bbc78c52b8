// mendora-cli fix with the drive search, in-process, on real reference AVIs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "refavi/fixtures.h"

namespace mendora {
namespace {

class CliSearchTest : public ::testing::Test {
 protected:
  int Cli(std::vector<std::string> arguments) {
    test::CliRun run = test::RunCli(d, "CDE", std::move(arguments));
    out_ = run.out;
    err_ = run.err;
    return run.status;
  }

  void Avi(const std::string& path, const std::vector<std::string>& links) {
    test::AviSpec recipe;
    for (const std::string& link : links) recipe.frames.push_back(test::FrameSpec::Ref(link, 0));
    d.WriteFile(path, test::BuildAvi(recipe));
  }

  std::vector<std::string> Links(const std::string& path) { return test::LinksOf(d.fs(), path); }

  test::TestDrives d;
  test::CliSettingsFile settings_{d};
  std::string out_, err_;
};

TEST_F(CliSearchTest, FixAcceptsTheFirstFileTheDriveSearchOffers) {
  // Names of their own: under Wine, D: and E: are shared with other tests.
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001");
  const std::string gone = d.Path('E', "old\\cliwalk1.002"), moved = d.Path('E', "new\\cliwalk1.002");
  Avi(avi, {one, gone});
  d.WriteFile(one, test::BuildDataFile(1));
  d.WriteFile(moved, test::BuildDataFile(1));
  d.WriteFile(d.Path('D', "b\\cliwalk1.002"), test::BuildWave());  // same name, not DV

  EXPECT_EQ(Cli({"fix", "--drives", "DE", "--accept-first", avi}), 0) << err_;
  EXPECT_EQ(Links(avi), (std::vector<std::string>{one, moved}));
  EXPECT_NE(err_.find("Similar File:   " + moved + "     "), std::string::npos) << err_;
  EXPECT_EQ(err_.find("cliwalk1.002     \nSimilar File:   D:"), std::string::npos) << err_;
}

TEST_F(CliSearchTest, FixWithoutAnAnswerLeavesTheFileAlone) {
  const std::string avi = d.Path('D', "a\\clip.avi");
  const std::string gone = d.Path('E', "old\\cliwalk2.002"), moved = d.Path('E', "new\\cliwalk2.002");
  Avi(avi, {gone});
  d.WriteFile(moved, test::BuildDataFile(1));
  const std::string original = d.ReadFile(avi);

  // Offered, passed over (no terminal), not found, not located.
  EXPECT_EQ(Cli({"fix", "--drives", "e", avi}), 1);
  EXPECT_NE(err_.find("Similar File:   " + moved), std::string::npos) << err_;
  EXPECT_NE(err_.find("File Not Found\n"), std::string::npos) << err_;
  EXPECT_NE(err_.find("missing data file not located: " + gone), std::string::npos) << err_;
  EXPECT_EQ(d.ReadFile(avi), original);

  // Bad drive letters are a usage error.
  EXPECT_EQ(Cli({"fix", "--drives", "D:", avi}), 2);
}

}  // namespace
}  // namespace mendora
