// The search dialog end to end: the worker walks real folders on the test
// drives, the scripted user answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "platform/wintypes.h"
#include "search/DriveSearch.h"
#include "search_fixture.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;
using test::DvBytes;
using test::ScriptUi;
using test::WaveBytes;

constexpr uint32_t kC = 1u << 2, kD = 1u << 3, kE = 1u << 4;

class SearchTest : public ::testing::Test {
 protected:
  SearchTest() : fs_(drives_) {
    settings_.values[kValueDirectory].data = "C:\\";
    settings_.values[kValueSearchDrives].data = EncodeDriveMask(kC | kD | kE);
  }

  void Put(const std::string& path, const std::string& bytes) {
    drives_.WriteFile(drives_.Path(path[0], path.substr(3)), bytes);
  }

  // Runs the search for `missing`; the dialog is set up by `setup` first.
  int Run(const std::vector<std::string>& missing, void (*setup)(DriveSearch&) = nullptr) {
    missing_ = missing;
    found_paths_.assign(missing.size(), std::string());
    found_flags_.assign(missing.size(), 0);
    test::Watchdog watchdog(60, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    DriveSearch dlg("clip.avi", missing_, &found_paths_, static_cast<int>(missing_.size()), &found_flags_,
                   SearchServices{fs_, settings_, test::MakeProbe(fs_)}, ui_);
    dlg.set_timer_period(2ms);
    if (setup) setup(dlg);
    const int result = dlg.DoModal();
    all_resolved_ = dlg.all_resolved();
    return result;
  }

  std::vector<std::string> Candidates() const {
    std::vector<std::string> list;
    for (const auto& offer : ui_.offers) list.push_back(offer.candidate);
    return list;
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
  ScriptUi ui_;
  std::vector<std::string> missing_;
  std::vector<std::string> found_paths_;
  std::vector<int> found_flags_;
  int all_resolved_ = -1;
};

TEST_F(SearchTest, AcceptedCandidateResolvesTheLinkWithoutAskingMore) {
  Put("D:\\clips\\take.001", DvBytes());
  Put("E:\\copy\\take.001", DvBytes());
  ui_.found_answers = {FoundButton::kOk};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(all_resolved_, 1);
  EXPECT_EQ(found_paths_[0], "D:\\clips\\take.001");
  EXPECT_EQ(found_flags_[0], 1);
  // Resolved: the walk ends without offering E:'s copy, and nothing is located.
  EXPECT_EQ(Candidates(), std::vector<std::string>{"D:\\clips\\take.001"});
  EXPECT_TRUE(ui_.locates.empty());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ui_.offers[0].missing_text, "Missing File:  C:\\old\\take.001     ");
  EXPECT_EQ(ui_.missing_list, "");
}

TEST_F(SearchTest, TheEndOfTheWalkIsSeenAtOnceNotAtTheNextTick) {
  Put("D:\\x\\other.bin", "x");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run({"E:\\gone\\take.001"}, [](DriveSearch& dlg) { dlg.set_timer_period(std::chrono::seconds(30)); }),
            IDCANCEL);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(ui_.messages.size(), 1u);  // not found
  EXPECT_EQ(ui_.locates.size(), 1u);
}

TEST_F(SearchTest, WalksDepthFirstPostingEachFolderBeforeItsEntries) {
  Put("C:\\a\\b\\take.001", DvBytes());
  Put("C:\\a\\other.bin", "x");
  Put("D:\\take.001", DvBytes());
  ui_.default_found = FoundButton::kNext;
  std::vector<std::string> listed, shown_at_offer;
  fs_.on_call = [&](const char* call, const std::string& path) {
    if (std::string(call) == "Find") listed.push_back(path);
  };
  ui_.on_found = [&](const FoundChoice&) { shown_at_offer.push_back(ui_.folders.back()); };

  EXPECT_EQ(Run({"E:\\gone\\take.001"}), IDCANCEL);
  // Drives in alphabetical order, depth first.
  EXPECT_EQ(listed, (std::vector<std::string>{"C:\\", "C:\\a", "C:\\a\\b", "D:\\", "E:\\"}));
  EXPECT_EQ(Candidates(), (std::vector<std::string>{"C:\\a\\b\\take.001", "D:\\take.001"}));
  // Each folder is shown before a file in it is offered.
  EXPECT_EQ(shown_at_offer, (std::vector<std::string>{"C:\\a\\b", "D:\\"}));
}

TEST_F(SearchTest, NameDifferingOnlyInCaseGoesToManualLocation) {
  Put("D:\\clips\\Take.001", DvBytes());
  ui_.locate_answers = {"D:\\clips\\Take.001"};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_TRUE(ui_.offers.empty());
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"File Not Found\n"});
  ASSERT_EQ(ui_.locates.size(), 1u);
  EXPECT_EQ(ui_.locates[0].missing_name, "take.001");
  EXPECT_EQ(found_paths_[0], "D:\\clips\\Take.001");
  EXPECT_EQ(all_resolved_, 1);
}

TEST_F(SearchTest, TwoLinksWithOneNameGetTwoFilesInWalkOrder) {
  Put("C:\\first\\take.001", DvBytes());
  Put("D:\\second\\take.001", DvBytes());
  ui_.found_answers = {FoundButton::kOk, FoundButton::kOk};

  EXPECT_EQ(Run({"E:\\a\\take.001", "E:\\b\\take.001"}), IDOK);
  ASSERT_EQ(ui_.offers.size(), 2u);
  EXPECT_EQ(ui_.offers[0].missing_text, "Missing File:  E:\\a\\take.001     ");
  EXPECT_EQ(ui_.offers[1].missing_text, "Missing File:  E:\\b\\take.001     ");
  EXPECT_EQ(found_paths_, (std::vector<std::string>{"C:\\first\\take.001", "D:\\second\\take.001"}));
}

TEST_F(SearchTest, NextKeepsTheLinkOpenForTheSameFileOnlyOnce) {
  // One file, two links of its name: after Next on the first link the file is
  // not offered to the second (one file, one offer).
  Put("C:\\x\\take.001", DvBytes());
  ui_.default_found = FoundButton::kNext;
  EXPECT_EQ(Run({"E:\\a\\take.001", "E:\\b\\take.001"}), IDCANCEL);
  ASSERT_EQ(ui_.offers.size(), 1u);
  EXPECT_EQ(ui_.offers[0].missing_text, "Missing File:  E:\\a\\take.001     ");
}

TEST_F(SearchTest, SameNameWaveFileIsNeverOfferedAndRefusedByHand) {
  Put("D:\\audio\\take.001", WaveBytes());
  ui_.locate_answers = {"D:\\audio\\take.001"};  // refused, then cancelled

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDCANCEL);
  EXPECT_TRUE(ui_.offers.empty());
  EXPECT_EQ(ui_.errors, std::vector<int>{290});
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"message", "locate", "error", "locate"}));
  EXPECT_EQ(found_flags_[0], 0);
  EXPECT_EQ(found_paths_[0], "");
  EXPECT_EQ(all_resolved_, 0);
}

TEST_F(SearchTest, NextOnEveryOfferWalksToTheEndThenLocatesByHand) {
  Put("C:\\one\\take.001", DvBytes());
  Put("D:\\two\\take.001", DvBytes());
  Put("E:\\three\\take.001", DvBytes());
  Put("E:\\zzz\\late.bin", "x");
  ui_.default_found = FoundButton::kNext;
  ui_.locate_answers = {"E:\\three\\take.001"};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(Candidates(),
            (std::vector<std::string>{"C:\\one\\take.001", "D:\\two\\take.001", "E:\\three\\take.001"}));
  EXPECT_NE(std::find(ui_.folders.begin(), ui_.folders.end(), "E:\\zzz"), ui_.folders.end());
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"offer", "offer", "offer", "message", "locate"}));
  EXPECT_EQ(found_paths_[0], "E:\\three\\take.001");
  EXPECT_EQ(all_resolved_, 1);
}

TEST_F(SearchTest, ReferenceAtOnceLocatesEveryLinkInOrder) {
  Put("D:\\clips\\a.001", DvBytes());
  Put("D:\\clips\\b.001", DvBytes());
  ui_.locate_answers = {"D:\\clips\\a.001", "D:\\clips\\b.001"};

  EXPECT_EQ(Run({"C:\\old\\a.001", "C:\\old\\b.001"}, [](DriveSearch& dlg) { dlg.PostButton(IDOK); }), IDOK);
  EXPECT_TRUE(ui_.offers.empty());
  EXPECT_TRUE(ui_.messages.empty());
  ASSERT_EQ(ui_.locates.size(), 2u);
  EXPECT_EQ(ui_.locates[0].missing_name, "a.001");
  EXPECT_EQ(ui_.locates[1].missing_name, "b.001");
  // The second dialog opens where the first choice was made.
  EXPECT_EQ(ui_.locates[1].initial_folder, "D:\\clips\\");
  EXPECT_EQ(ui_.locates[1].file_name, "b.001");
  EXPECT_EQ(found_paths_, (std::vector<std::string>{"D:\\clips\\a.001", "D:\\clips\\b.001"}));
}

TEST_F(SearchTest, ReferenceInTheFoundDialogLocatesWhatIsLeft) {
  Put("C:\\x\\a.001", DvBytes());
  Put("D:\\y\\b.001", DvBytes());
  ui_.found_answers = {FoundButton::kOk, FoundButton::kReference};
  ui_.locate_answers = {};  // the manual location of b.001 is cancelled

  EXPECT_EQ(Run({"E:\\a.001", "E:\\b.001"}), IDCANCEL);
  ASSERT_EQ(ui_.locates.size(), 1u);
  EXPECT_EQ(ui_.locates[0].missing_name, "b.001");
  EXPECT_EQ(found_flags_, (std::vector<int>{1, 0}));
  EXPECT_EQ(all_resolved_, 0);
}

TEST_F(SearchTest, CancelInTheMiddleKeepsTheAcceptedPaths) {
  Put("C:\\x\\a.001", DvBytes());
  Put("D:\\y\\b.001", DvBytes());
  ui_.found_answers = {FoundButton::kOk, FoundButton::kCancel};

  EXPECT_EQ(Run({"E:\\a.001", "E:\\b.001"}), IDCANCEL);
  EXPECT_EQ(all_resolved_, 0);
  EXPECT_EQ(found_paths_[0], "C:\\x\\a.001");
  EXPECT_EQ(found_flags_, (std::vector<int>{1, 0}));
  EXPECT_TRUE(ui_.locates.empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(SearchTest, MaskZeroWalksDrivesAAndC) {
  Put("C:\\x\\take.001", DvBytes());
  Put("D:\\y\\take.001", DvBytes());
  ui_.default_found = FoundButton::kNext;
  EXPECT_EQ(Run({"E:\\take.001"}, [](DriveSearch& dlg) { dlg.set_drive_mask(0); }), IDCANCEL);
  EXPECT_EQ(Candidates(), std::vector<std::string>{"C:\\x\\take.001"});
  EXPECT_EQ(ui_.folders, (std::vector<std::string>{"C:\\", "C:\\x"}));
}

TEST_F(SearchTest, DirectorySettingAddsItsDriveWhenTheFolderExists) {
  Put("E:\\video\\take.001", DvBytes());
  settings_.values[kValueSearchDrives].data = EncodeDriveMask(kC);
  settings_.values[kValueDirectory].data = "e:\\video\\";  // lower case gives the same drive
  ui_.found_answers = {FoundButton::kOk};
  EXPECT_EQ(Run({"C:\\take.001"}), IDOK);
  EXPECT_EQ(found_paths_[0], "E:\\video\\take.001");

  // A folder that no longer exists adds nothing (and falls back to C:\).
  settings_.values[kValueDirectory].data = "D:\\gone\\";
  Put("D:\\take.001", DvBytes());
  ui_ = ScriptUi();
  ui_.default_found = FoundButton::kNext;
  EXPECT_EQ(Run({"C:\\take.001"}), IDCANCEL);
  for (const std::string& folder : ui_.folders) EXPECT_EQ(folder[0], 'C') << folder;
}

TEST_F(SearchTest, ShowsTheProgramTexts) {
  DriveSearch dlg("clip.avi", missing_, &found_paths_, 0, &found_flags_,
                 SearchServices{fs_, settings_, test::MakeProbe(fs_)}, ui_);
  EXPECT_EQ(dlg.heading(), "Searching Missing Data Files of clip.avi ...");
  EXPECT_EQ(dlg.folder_label(), "At this directory:");
  EXPECT_EQ(dlg.drive_mask(), kC | kD | kE);
}

TEST_F(SearchTest, MissingListShowsWhatIsStillMissing) {
  Put("C:\\x\\b.001", DvBytes());
  ui_.found_answers = {FoundButton::kOk};
  std::vector<std::string> lists;
  ui_.on_found = [&](const FoundChoice&) { lists.push_back(ui_.missing_list); };
  Run({"E:\\a.001", "E:\\b.001", "E:\\c.001"});
  ASSERT_FALSE(lists.empty());
  EXPECT_EQ(lists[0], "a.001\nb.001\nc.001");
  EXPECT_EQ(ui_.locates.size(), 1u);  // a.001 located by hand: cancelled
  EXPECT_EQ(ui_.missing_list, "a.001\nc.001");
}

// The walk lists folders by names and kinds only; that listing must agree
// with the full one on what the walk uses.
TEST_F(SearchTest, NameListingAgreesWithTheFullListingOnKinds) {
  Put("C:\\kinds\\file.001", DvBytes());
  Put("C:\\kinds\\folder\\inner.bin", "x");
#ifndef _WIN32
  ASSERT_EQ(::symlink(drives_.Native("C:\\kinds\\folder").c_str(), drives_.Native("C:\\kinds\\link").c_str()), 0);
#endif
  auto kinds = [](std::unique_ptr<DirFind> find) {
    std::vector<std::pair<std::string, uint32_t>> list;
    DirEntry entry;
    while (find && find->Next(&entry))
      list.emplace_back(entry.name, entry.attributes & (kAttrDirectory | kAttrReparsePoint));
    std::sort(list.begin(), list.end());
    return list;
  };
  const std::string folder = drives_.Path('C', "kinds");
  const auto full = kinds(drives_.fs().Find(folder));
  EXPECT_EQ(kinds(drives_.fs().FindNames(folder)), full);
  EXPECT_GE(full.size(), 2u);
}

#ifndef _WIN32
// Links and over-long paths are made with POSIX calls; the Windows build
// meets the same rules through the attributes and lengths Find reports.
TEST_F(SearchTest, DoesNotFollowLinksSoALoopCannotTrapTheWalk) {
  Put("C:\\real\\take.001", DvBytes());
  Put("D:\\keep.bin", "x");
  ASSERT_EQ(::symlink(drives_.Native("C:\\").c_str(), drives_.Native("C:\\real\\loop").c_str()), 0);
  ASSERT_EQ(::symlink(drives_.Native("C:\\real").c_str(), drives_.Native("D:\\elsewhere").c_str()), 0);
  ui_.default_found = FoundButton::kNext;
  EXPECT_EQ(Run({"E:\\take.001"}), IDCANCEL);
  EXPECT_EQ(Candidates(), std::vector<std::string>{"C:\\real\\take.001"});
}

TEST_F(SearchTest, PathsPastTheBufferAreNeitherWalkedNorOffered) {
  // C:\ + 25 folders of 9 characters and a backslash = 253 characters.
  std::string folder = "C:\\";
  for (int i = 0; i < 25; ++i) folder += "folder" + std::to_string(100 + i) + "\\";
  ASSERT_EQ(folder.size(), 253u);
  Put(folder + "a.001", DvBytes());    // 258 characters: offered
  Put(folder + "bb.001", DvBytes());   // 259: offered
  Put(folder + "ccc.001", DvBytes());  // 260: skipped
  Put(folder + "deeper\\a.001", DvBytes());
  ui_.default_found = FoundButton::kNext;
  EXPECT_EQ(Run({"E:\\a.001", "E:\\bb.001", "E:\\ccc.001"}), IDCANCEL);
  std::vector<std::string> offered = Candidates();
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(offered, (std::vector<std::string>{folder + "a.001", folder + "bb.001"}));
}
#endif

}  // namespace
}  // namespace mendora
