// mendora-cli check on an archive folder: every status of a file and of a
// link, the three output forms and the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "refavi/fixtures.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::CliRun;
using test::FrameSpec;

constexpr uint32_t kStep = 120008;  // an NTSC frame chunk with its header

// A path inside a JSON string.
std::string J(std::string path) {
  for (size_t at = 0; (at = path.find('\\', at)) != std::string::npos; at += 2) path.insert(at, 1, '\\');
  return path;
}

class CheckTest : public ::testing::Test {
 protected:
  // C:\arch holds a whole reference, a broken one, a plain DV AVI, a text
  // file and, one folder down, a reference cut short. The data files are on D:.
  void SetUp() override {
    drives_.WriteFile(a_, test::BuildDataFile(3));
    drives_.WriteFile(pal_, test::BuildDataFile(3, 144000));
    AviSpec whole;
    whole.frames = {FrameSpec::Ref(a_, 0), FrameSpec::Ref(a_, kStep), FrameSpec::Ref(a_, 2 * kStep),
                    FrameSpec::Ref(a_, kStep)};
    const std::string whole_bytes = test::BuildAvi(whole);
    drives_.WriteFile(whole_, whole_bytes);
    AviSpec broken;
    broken.frames = {FrameSpec::Ref(a_, 0), FrameSpec::Ref(gone_, 0), FrameSpec::Ref(gone_, kStep),
                     FrameSpec::Ref(pal_, 0)};
    drives_.WriteFile(broken_, test::BuildAvi(broken));
    AviSpec plain;
    plain.handler = plain.compression = fcc::dvsd;
    plain.frames = {FrameSpec::Data(120000), FrameSpec::Data(120000)};
    drives_.WriteFile(plain_, test::BuildAvi(plain));
    drives_.WriteFile(text_, "Tapes 1 to 3, summer\r\n");
    drives_.WriteFile(cut_, whole_bytes.substr(0, whole_bytes.size() / 2));
  }

  CliRun Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "check");
    return test::RunCli(drives_, "CD", std::move(arguments));
  }

  test::TestDrives drives_;
  const std::string folder_ = drives_.Path('C', "arch");
  const std::string broken_ = drives_.Path('C', "arch\\broken.avi");
  const std::string plain_ = drives_.Path('C', "arch\\plain.avi");
  const std::string text_ = drives_.Path('C', "arch\\notes.txt");
  const std::string whole_ = drives_.Path('C', "arch\\whole.avi");
  const std::string cut_ = drives_.Path('C', "arch\\sub\\cut.avi");
  const std::string a_ = drives_.Path('D', "clips\\a.001");
  const std::string gone_ = drives_.Path('D', "clips\\gone.001");
  const std::string pal_ = drives_.Path('D', "clips\\pal.001");
};

TEST_F(CheckTest, JsonReportsEveryFileOfTheFolderTreeAndEveryLink) {
  CliRun run = Cli({"--json", folder_});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  // The text file does not pass the DV probe and is not listed.
  EXPECT_EQ(run.out,
            "{\"version\": 1, \"files\": [\n"
            "  {\"path\": \"" + J(broken_) + "\", \"status\": \"broken\", \"links\": [\n"
            "    {\"path\": \"" + J(a_) + "\", \"status\": \"ok\", \"frames\": 1},\n"
            "    {\"path\": \"" + J(gone_) + "\", \"status\": \"missing\", \"frames\": 2},\n"
            "    {\"path\": \"" + J(pal_) + "\", \"status\": \"mismatch\", \"frames\": 1}\n"
            "  ]},\n"
            "  {\"path\": \"" + J(plain_) + "\", \"status\": \"self-contained\", \"links\": []},\n"
            "  {\"path\": \"" + J(whole_) + "\", \"status\": \"ok\", \"links\": [\n"
            "    {\"path\": \"" + J(a_) + "\", \"status\": \"ok\", \"frames\": 4}\n"
            "  ]},\n"
            "  {\"path\": \"" + J(cut_) + "\", \"status\": \"unreadable\", \"reason\": \"truncated\", \"links\": []}\n"
            "]}\n");
}

TEST_F(CheckTest, CsvHasOneRowPerLinkAndOneForAFileWithout) {
  CliRun run = Cli({"--csv", whole_, broken_, plain_, text_, cut_, drives_.Path('C', "arch\\none.avi")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "file,status,reason,link,link status,frames\r\n" +
                         whole_ + ",ok,," + a_ + ",ok,4\r\n" +
                         broken_ + ",broken,," + a_ + ",ok,1\r\n" +
                         broken_ + ",broken,," + gone_ + ",missing,2\r\n" +
                         broken_ + ",broken,," + pal_ + ",mismatch,1\r\n" +
                         plain_ + ",self-contained,,,,\r\n" +
                         text_ + ",unreadable,not DV,,,\r\n" +
                         cut_ + ",unreadable,truncated,,,\r\n" +
                         drives_.Path('C', "arch\\none.avi") + ",unreadable,cannot open,,,\r\n");
}

TEST_F(CheckTest, TableNamesTheStatusesAndWhatAMismatchLacks) {
  CliRun run = Cli({broken_, plain_, cut_});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "broken          " + broken_ + "\n" +
                         "  ok               1  " + a_ + "\n" +
                         "  missing          2  " + gone_ + "\n" +
                         "  mismatch         1  " + pal_ +
                         "  (has a frame of 144000 bytes at offset 0, not 120000)\n" +
                         "self-contained  " + plain_ + "\n" +
                         "unreadable      " + cut_ + "  (truncated)\n" +
                         "3 files: 0 ok, 1 broken, 1 self-contained, 1 unreadable\n");
}

TEST_F(CheckTest, ExitStatusSaysWhetherEveryFilePlaysAsItIs) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
  } cases[] = {
      {{whole_, plain_}, 0},
      {{"--csv", whole_}, 0},
      {{drives_.Path('C', "arch\\sub\\empty")}, 0},
      {{whole_, broken_}, 1},
      {{whole_, text_}, 1},
      {{"--json", cut_}, 1},
      {{}, 2},
      {{"--json"}, 2},
      {{"--json", "--csv", whole_}, 2},
      {{"--all", whole_}, 2},
  };
  drives_.WriteFile(drives_.Path('C', "arch\\sub\\empty\\readme.txt"), "nothing here\n");
  for (const Case& c : cases) {
    CliRun run = Cli(c.arguments);
    std::string shown;
    for (const std::string& a : c.arguments) shown += a + " ";
    EXPECT_EQ(run.status, c.status) << shown << "\n" << run.out << run.err;
    if (c.status == 2) {
      EXPECT_EQ(run.out, "") << shown;
      EXPECT_EQ(run.err, "usage: mendora-cli check [--json | --csv] PATH...\n") << shown;
    }
  }
}

}  // namespace
}  // namespace mendora
