// The search on a console: options and typed answers, through the same
// entry the operation driver uses.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "cli/ConsoleSearchUi.h"
#include "search/DriveSearch.h"
#include "search/search_fixture.h"

namespace mendora {
namespace {

using test::DvBytes;
using test::WaveBytes;

class ConsoleSearchTest : public ::testing::Test {
 protected:
  ConsoleSearchTest() : fs_(drives_) {
    settings_.values[kValueDirectory].data = "C:\\";
    settings_.values[kValueSearchDrives].data = EncodeDriveMask(1u << 2);  // C: only
    drives_.WriteFile(drives_.Path('D', "clips\\take.001"), DvBytes());
    drives_.WriteFile(drives_.Path('E', "more\\take.001"), DvBytes());
    drives_.WriteFile(drives_.Path('E', "more\\song.001"), WaveBytes());
  }

  // Runs one search with `typed` as the console's input.
  int Search(ConsoleSearchOptions options, const std::string& typed, const std::vector<std::string>& missing,
             const SearchOptions& search = {}) {
    const std::string in_path = drives_.Native(drives_.Path('C', "in.txt"));
    const std::string out_path = drives_.Native(drives_.Path('C', "out.txt"));
    const std::string err_path = drives_.Native(drives_.Path('C', "err.txt"));
    drives_.WriteFile(drives_.Path('C', "in.txt"), typed);
    std::FILE* in = std::fopen(in_path.c_str(), "rb");
    std::FILE* out = std::fopen(out_path.c_str(), "wb");
    std::FILE* err = std::fopen(err_path.c_str(), "wb");
    int result = -1;
    {
      ConsoleSearchUi ui(in, out, err, std::move(options));
      found_.assign(missing.size(), std::string());
      flags_.assign(missing.size(), 0);
      test::Watchdog watchdog(60, "console search");
      result = SearchMissingFiles("clip.avi", missing, found_, flags_, SearchServices{fs_, settings_, test::MakeProbe(fs_)},
                                  ui, search);
    }
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    out_ = drives_.ReadFile(drives_.Path('C', "out.txt"));
    err_ = drives_.ReadFile(drives_.Path('C', "err.txt"));
    return result;
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
  std::vector<std::string> found_;
  std::vector<int> flags_;
  std::string out_, err_;
};

TEST(ParseDriveLetters, TakesLettersOnly) {
  uint32_t mask = 0;
  EXPECT_TRUE(ParseDriveLetters("CDE", &mask));
  EXPECT_EQ(mask, (1u << 2) | (1u << 3) | (1u << 4));
  EXPECT_TRUE(ParseDriveLetters("zA", &mask));
  EXPECT_EQ(mask, (1u << 25) | 1u);
  EXPECT_FALSE(ParseDriveLetters("C:", &mask));
  EXPECT_FALSE(ParseDriveLetters("C D", &mask));
}

TEST_F(ConsoleSearchTest, DrivesOptionAndAcceptFirst) {
  ConsoleSearchOptions options;
  options.accept_first = true;
  uint32_t drives = 0;
  ASSERT_TRUE(ParseDriveLetters("DE", &drives));
  SearchOptions search;
  search.drives = drives;
  EXPECT_EQ(Search(options, "", {"C:\\old\\take.001"}, search), 1);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
  EXPECT_NE(out_.find("Do you wish to update the file path of the missing data file?\n"
                      "Missing File:  C:\\old\\take.001     \n"
                      "Similar File:   D:\\clips\\take.001     \n"),
            std::string::npos)
      << out_;
}

TEST_F(ConsoleSearchTest, SettingsDrivesWithoutACandidateGoToLocate) {
  // The settings name C: only, where nothing is: the program's message, then
  // the located path.
  ConsoleSearchOptions options;
  options.locate = {{"C:\\old\\take.001", "E:\\more\\take.001"}};
  EXPECT_EQ(Search(options, "", {"C:\\old\\take.001"}), 1);
  EXPECT_EQ(found_[0], "E:\\more\\take.001");
  EXPECT_NE(out_.find("File Not Found\n"), std::string::npos);
}

TEST_F(ConsoleSearchTest, RefusedLocationWithoutATerminalGivesUp) {
  ConsoleSearchOptions options;
  options.locate = {{"song.001", "E:\\more\\song.001"}};
  EXPECT_EQ(Search(options, "", {"C:\\old\\song.001"}), IDCANCEL);
  EXPECT_NE(err_.find("Selection of Non-DV file"), std::string::npos) << err_;
  EXPECT_EQ(flags_[0], 0);
}

TEST_F(ConsoleSearchTest, InteractiveAnswers) {
  ConsoleSearchOptions options;
  options.interactive = true;
  SearchOptions search;
  search.drives = (1u << 3) | (1u << 4);
  // Next on D:'s file, OK on E:'s.
  EXPECT_EQ(Search(options, "n\nok\n", {"C:\\old\\take.001"}, search), 1);
  EXPECT_EQ(found_[0], "E:\\more\\take.001");

  // Reference, then a typed path.
  EXPECT_EQ(Search(options, "r\nD:\\clips\\take.001\n", {"C:\\old\\take.001"}, search), 1);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
  EXPECT_NE(err_.find("Please Specify Current Location of:   take.001"), std::string::npos) << err_;

  // Cancel gives up; at the end of the input candidates are passed over and
  // the locate answers still count.
  EXPECT_EQ(Search(options, "c\n", {"C:\\old\\take.001"}, search), IDCANCEL);
  options.locate = {{"take.001", "D:\\clips\\take.001"}};
  EXPECT_EQ(Search(options, "", {"C:\\old\\take.001"}, search), 1);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
}

}  // namespace
}  // namespace mendora
