#include "cli/cli_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Types.h"
#include "refavi/AnalysisStep.h"
#include "refavi/fixtures.h"
#include "support/memory_fs.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::CliRun;
using test::FrameSpec;

class CliTest : public ::testing::Test {
 protected:
  // Natively the tool gets the test's drive C: for the run.
  CliRun Cli(std::vector<std::string> arguments) { return test::RunCli(drives_, "C", std::move(arguments)); }
  test::TestDrives drives_;
};

TEST_F(CliTest, ProbePrintsTheStatus) {
  const std::string data = drives_.Path('C', "a.001");
  const std::string wave = drives_.Path('C', "a.wav");
  drives_.WriteFile(data, test::BuildDataFile(1, 100));
  drives_.WriteFile(wave, test::BuildWave());
  CliRun dv = Cli({"probe", data});
  EXPECT_EQ(dv.status, 0);
  EXPECT_EQ(dv.out, "0\n");
  EXPECT_EQ(dv.err, "");
  CliRun not_dv = Cli({"probe", wave});
  EXPECT_EQ(not_dv.status, 1);
  EXPECT_EQ(not_dv.out, "290\n");
  EXPECT_EQ(not_dv.err, "Selection of Non-DV file\n");
  CliRun missing = Cli({"probe", drives_.Path('C', "none.001")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "289\n");
  EXPECT_EQ(missing.err, "File Open Failure.\n");
}

TEST_F(CliTest, LinksPrintsEachDataLinkAsRecorded) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.frames = {FrameSpec::Ref("D:\\Clips\\Tape 1.001"), FrameSpec::Ref("d:\\clips\\tape 1.001"),
                 FrameSpec::Ref("D:\\Clips\\Tape 1.001"), FrameSpec::Ref("")};
  const std::string avi = drives_.Path('C', "ref.avi");
  drives_.WriteFile(avi, test::BuildAvi(recipe));
  CliRun run = Cli({"links", avi});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "D:\\Clips\\Tape 1.001\nd:\\clips\\tape 1.001\n\n");
  EXPECT_EQ(run.err, "");  // no bar: stderr is not a terminal

#ifndef _WIN32
  // A native path is read through the drive that holds it.
  CliRun native = Cli({"links", drives_.Native(avi)});
  EXPECT_EQ(native.status, 0);
  EXPECT_EQ(native.out, run.out);
#endif
}

#ifndef _WIN32
// links --json: each link once, in the order of the list, with the REF
// records that name it; the recorded bytes come out as UTF-8 in the code
// page given, whatever the terminal, each byte that begins no character of
// the page as U+FFFD.
TEST_F(CliTest, LinksJsonGivesEachLinkInUtf8WithItsFrames) {
  struct Case {
    const char* code_page;
    std::vector<std::string> links;  // recorded bytes; the first named three times
    std::vector<std::string> shown;  // as JSON shows them: the path, and the bytes of one not shown whole
  } cases[] = {
      // A lead byte with its second byte is one character, even one that
      // the page does not assign (85 40), as Windows steps through it.
      {"932",
       {"D:\\\x89\x66\x91\x9c\\take 1.001", "D:\\a\x85\x40" "b.001", "D:\\x\x82"},
       {"\"D:\\\\映像\\\\take 1.001\"", "\"D:\\\\a\uFFFDb.001\", \"path_bytes\": \"443a5c618540622e303031\"",
        "\"D:\\\\x\uFFFD\", \"path_bytes\": \"443a5c7882\""}},
      {"1252",
       {"D:\\caf\xe9 \"q\".001", "D:\\\x81\x01.001"},
       {"\"D:\\\\café \\\"q\\\".001\"", "\"D:\\\\\uFFFD\\u0001.001\", \"path_bytes\": \"443a5c81012e303031\""}},
      {"65001",
       {"D:\\\xe6\x98\xa0\\\xff.001", "D:\\\xc0\xaf\xed\xa0\x80.001"},
       {"\"D:\\\\映\\\\\uFFFD.001\", \"path_bytes\": \"443a5ce698a05cff2e303031\"",
        "\"D:\\\\\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.001\", \"path_bytes\": \"443a5cc0afeda0802e303031\""}},
  };
  for (const Case& c : cases) {
    AviSpec recipe;
    for (const std::string& link : c.links) recipe.frames.push_back(FrameSpec::Ref(link));
    recipe.frames.push_back(FrameSpec::Ref(c.links[0]));
    recipe.frames.push_back(FrameSpec::Ref(c.links[0]));
    const std::string avi = drives_.Path('C', "ref.avi");
    drives_.WriteFile(avi, test::BuildAvi(recipe));
    CliRun run = Cli({"--codepage", c.code_page, "links", "--json", avi});
    EXPECT_EQ(run.status, 0) << c.code_page << run.err;
    std::string expected = "{\"version\": 1, \"links\": [";
    for (size_t i = 0; i < c.shown.size(); ++i)
      expected += std::string(i == 0 ? "\n  " : ",\n  ") + "{\"path\": " + c.shown[i] + ", \"frames\": " +
                  (i == 0 ? "3" : "1") + "}";
    EXPECT_EQ(run.out, expected + "\n]}\n") << c.code_page;
  }
}
#endif

TEST_F(CliTest, LinksReportsAnEmptyOrBrokenListAsCode97) {
  AviSpec recipe;
  recipe.handler = recipe.compression = fcc::dvsd;
  recipe.frames = {FrameSpec::Data(1000)};
  const std::string avi = drives_.Path('C', "plain.avi");
  drives_.WriteFile(avi, test::BuildAvi(recipe));
  // A reference AVI cut inside its second REF record: the walk breaks off
  // after the first link, which is no list to act on.
  AviSpec refs;
  refs.frames = {FrameSpec::Ref("D:\\a.001"), FrameSpec::Ref("D:\\b.001")};
  const std::string bytes = test::BuildAvi(refs);
  const std::string cut = drives_.Path('C', "cut.avi");
  drives_.WriteFile(cut, bytes.substr(0, bytes.find("D:\\b.001") + 2));
  ASSERT_EQ(test::LinksOf(drives_.fs(), cut), std::vector<std::string>{"D:\\a.001"});
  for (const std::string& path : {avi, drives_.Path('C', "missing.avi"), cut}) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"links", path}, {"links", "--json", path}}) {
      CliRun run = Cli(arguments);
      EXPECT_EQ(run.status, 1) << path;
      EXPECT_EQ(run.out, "") << path;
      EXPECT_EQ(run.err, "error 97: No Data Files inside the Reference File\n") << path;
    }
  }
}

TEST_F(CliTest, FixCopyAndMoveRefuseFilesThatAreNotDvBeforeAnythingRuns) {
  test::CliSettingsFile settings(drives_);
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref(drives_.Path('D', "a.001"))};
  const std::string avi = drives_.Path('C', "ref.avi");
  const std::string wave = drives_.Path('C', "a.wav");
  const std::string missing = drives_.Path('C', "none.avi");
  drives_.WriteFile(avi, test::BuildAvi(recipe));
  drives_.WriteFile(drives_.Path('D', "a.001"), test::BuildDataFile(1, 100));
  drives_.WriteFile(wave, test::BuildWave());
  drives_.WriteFile(drives_.Path('E', "keep"), "");
  const std::string before = drives_.ReadFile(avi);
  struct Case {
    const char* bad;
    int code;
    const char* message;
  } cases[] = {{"a.wav", 290, "Selection of Non-DV file"}, {"none.avi", 289, "File Open Failure."}};
  for (const char* command : {"fix", "copy", "move"}) {
    for (const Case& c : cases) {
      const std::string bad = drives_.Path('C', c.bad);
      // The good file first: the whole selection is refused, it too.
      CliRun run = Cli({command, "--to", drives_.Root('E'), "--yes", avi, bad});
      EXPECT_EQ(run.status, 1) << command << " " << c.bad;
      EXPECT_EQ(run.out, "") << command << " " << c.bad;
      EXPECT_EQ(run.err, "error " + std::to_string(c.code) + ": " + c.message + "\n    " + bad + "\n")
          << command << " " << c.bad;
      EXPECT_EQ(drives_.ReadFile(avi), before) << command << " " << c.bad;
      EXPECT_FALSE(drives_.Exists(avi + ".bak")) << command << " " << c.bad;
      EXPECT_FALSE(drives_.Exists(drives_.Path('E', "ref.avi"))) << command << " " << c.bad;
    }
  }
  EXPECT_TRUE(drives_.Exists(wave));
}

TEST_F(CliTest, TracePrintsTheWalkWithCrLf) {
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001")};
  const std::string avi = drives_.Path('C', "ref.avi");
  const std::string bytes = test::BuildAvi(recipe);
  drives_.WriteFile(avi, bytes);
  CliRun run = Cli({"trace", avi});
  EXPECT_EQ(run.status, 0);
  char first[64];
  std::snprintf(first, sizeof first, "%016zX          '00db' 62643030 (0000001C)\r\n",
                bytes.find("00db", bytes.find("movi")));
  EXPECT_EQ(run.out, std::string(first) +
                         "                             'REF ' 20464552 (00000008)\r\n"
                         "                                 D:\\a.001\r\n");
}

TEST_F(CliTest, UsageErrors) {
  EXPECT_EQ(Cli({}).status, 2);
  EXPECT_EQ(Cli({"frobnicate"}).status, 2);
  EXPECT_EQ(Cli({"links"}).status, 2);
  EXPECT_EQ(Cli({"probe", "a", "b"}).status, 2);
  CliRun bad_drive = Cli({"--drive", "CC=/x", "probe", "C:\\a"});
  EXPECT_EQ(bad_drive.status, 2);
  EXPECT_NE(bad_drive.err.find("--drive"), std::string::npos);
  CliRun version = Cli({"--version"});
  EXPECT_EQ(version.status, 0);
  // The project's version, as CMake has it.
  EXPECT_EQ(version.out, "mendora-cli " MENDORA_PROJECT_VERSION "\n");
}

TEST(AnalysisStep, AccessDeniedIsCode96WithoutReading) {
  test::MemoryFileSystem fs;
  AviSpec recipe;
  recipe.frames = {FrameSpec::Ref("D:\\a.001")};
  fs.Add("C:\\ref.avi", test::BuildAvi(recipe));
  std::atomic<int> running{1};
  ProgressReporter progress(&running, nullptr);
  std::vector<std::string> links;
  EXPECT_EQ(RunAnalysis(fs, "C:\\ref.avi", &progress, &links), RC_OK);
  EXPECT_EQ(links, std::vector<std::string>{"D:\\a.001"});
  fs.DenyAccess("C:\\ref.avi");
  const int opens = fs.opens();
  EXPECT_EQ(RunAnalysis(fs, "C:\\ref.avi", &progress, &links), 96);
  EXPECT_EQ(fs.opens(), opens);
  running = 0;  // a cancelled analysis has no data links
  EXPECT_EQ(RunAnalysis(fs, "C:\\other.avi", &progress, &links), 97);
  EXPECT_TRUE(links.empty());
}

}  // namespace
}  // namespace mendora
