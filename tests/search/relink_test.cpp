// Relinking at scale: the content check of every candidate, folder mappings
// given or learned, and one walk of the drives for a whole run. The search
// runs end to end on the test drives against a real reference AVI; the
// scripted user answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/wintypes.h"
#include "refavi/fixtures.h"
#include "search/DriveSearch.h"
#include "search/FolderMapping.h"
#include "search/RunMemory.h"
#include "search/WalkMemory.h"
#include "search_fixture.h"
#include "support/memory_settings.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;
using test::ScriptUi;

constexpr uint32_t kC = 1u << 2, kD = 1u << 3, kE = 1u << 4;
constexpr uint32_t kStep = 120008;  // an NTSC frame chunk with its header
const char kAvi[] = "C:\\ref\\clip.avi";

std::string Ntsc(int frames) { return test::BuildDataFile(frames); }
std::string Pal(int frames) { return test::BuildDataFile(frames, 144000); }

class RelinkTest : public ::testing::Test {
 protected:
  RelinkTest() : fs_(drives_) {
    settings_.values[kValueDirectory].data = "C:\\";
    Drives(kC | kD | kE);
  }

  void Drives(uint32_t mask) { settings_.values[kValueSearchDrives].data = EncodeDriveMask(mask); }

  void Put(const std::string& path, const std::string& bytes) {
    drives_.WriteFile(drives_.Path(path[0], path.substr(3)), bytes);
  }

  // The reference AVI (NTSC) at kAvi taking frames 0 and 1 of each link.
  void Reference(const std::vector<std::string>& links) {
    test::AviSpec recipe;
    for (const std::string& link : links) {
      recipe.frames.push_back(test::FrameSpec::Ref(link, 0));
      recipe.frames.push_back(test::FrameSpec::Ref(link, kStep));
    }
    Put(kAvi, test::BuildAvi(recipe));
  }

  // One search of the reference's missing links with the content check;
  // with `memory`, as one search of a run.
  int Run(const std::vector<std::string>& missing, RunMemory* memory = nullptr) {
    missing_ = missing;
    found_.assign(missing.size(), std::string());
    flags_.assign(missing.size(), 0);
    test::Watchdog watchdog(60, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    DriveSearch dlg("clip.avi", missing_, &found_, static_cast<int>(missing_.size()), &flags_,
                    SearchServices{fs_, settings_, test::MakeProbe(fs_), MakeContentCheck(fs_, kAvi)}, ui_);
    dlg.set_timer_period(2ms);
    dlg.set_memory(memory);
    const int result = dlg.DoModal();
    all_resolved_ = dlg.all_resolved();
    return result;
  }

  std::vector<std::string> Candidates() const {
    std::vector<std::string> list;
    for (const auto& offer : ui_.offers) list.push_back(offer.candidate);
    return list;
  }

  // Counts the folder listings of the searches from now on.
  void CountListings() {
    fs_.on_call = [this](const char* call, const std::string& path) {
      if (std::string(call) == "Find") listed_.push_back(path);
    };
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
  ScriptUi ui_;
  std::vector<std::string> missing_;
  std::vector<std::string> found_;
  std::vector<int> flags_;
  std::vector<std::string> listed_;
  int all_resolved_ = -1;
};

// ---- the content check of every source ----

TEST_F(RelinkTest, SameNameDecoysMetFirstArePassedOverAndTheRightFileLinked) {
  Reference({"D:\\old\\take.001"});
  Put("C:\\pal\\take.001", Pal(2));      // another video standard
  Put("D:\\short\\take.001", Ntsc(1));   // a shorter capture
  Put("E:\\new\\take.001", Ntsc(2));
  ui_.default_found = FoundButton::kOk;  // would take anything offered

  EXPECT_EQ(Run({"D:\\old\\take.001"}), IDOK);
  EXPECT_EQ(found_[0], "E:\\new\\take.001");
  EXPECT_EQ(all_resolved_, 1);
  // Only the right file is ever offered; the decoys are passed over with
  // the reason, and the walk went on past them.
  EXPECT_EQ(Candidates(), std::vector<std::string>{"E:\\new\\take.001"});
  ASSERT_EQ(ui_.passed_over.size(), 2u);
  EXPECT_EQ(ui_.passed_over[0].candidate, "C:\\pal\\take.001");
  EXPECT_EQ(ui_.passed_over[0].missing_link, "D:\\old\\take.001");
  EXPECT_EQ(ui_.passed_over[0].reason, "has a frame of 144000 bytes at offset 0, not 120000");
  EXPECT_EQ(ui_.passed_over[1].candidate, "D:\\short\\take.001");
  EXPECT_EQ(ui_.passed_over[1].reason, "ends before the frame at offset 120008");
  EXPECT_TRUE(ui_.locates.empty());
}

TEST_F(RelinkTest, AFileRefusedForOneLinkIsOfferedForTheOtherLinkOfItsName) {
  // Two captures named take.001: the first link takes two frames, the
  // second one frame. A one-frame file is met first.
  test::AviSpec recipe;
  recipe.frames = {test::FrameSpec::Ref("D:\\x\\take.001", 0), test::FrameSpec::Ref("D:\\x\\take.001", kStep),
                   test::FrameSpec::Ref("D:\\y\\take.001", 0)};
  Put(kAvi, test::BuildAvi(recipe));
  Put("C:\\a\\take.001", Ntsc(1));
  Put("E:\\b\\take.001", Ntsc(2));
  ui_.default_found = FoundButton::kOk;

  EXPECT_EQ(Run({"D:\\x\\take.001", "D:\\y\\take.001"}), IDOK);
  ASSERT_EQ(ui_.offers.size(), 2u);
  EXPECT_EQ(ui_.offers[0].missing_text, "Missing File:  D:\\y\\take.001     ");
  EXPECT_EQ(ui_.offers[1].missing_text, "Missing File:  D:\\x\\take.001     ");
  EXPECT_EQ(found_, (std::vector<std::string>{"E:\\b\\take.001", "C:\\a\\take.001"}));
  EXPECT_TRUE(ui_.passed_over.empty());
}

TEST_F(RelinkTest, ADecoyLocatedByHandIsRefusedAndTheLocateDialogAsksAgain) {
  Reference({"D:\\old\\take.001"});
  Put("E:\\decoy\\take.001", Pal(2));
  Put("E:\\right\\take.001", Ntsc(2));
  Drives(kC);  // the walk finds nothing
  for (bool in_dialog : {false, true}) {
    SCOPED_TRACE(in_dialog ? "checked by the window" : "checked by the search");
    ui_ = ScriptUi();
    ui_.check_in_dialog = in_dialog;
    ui_.locate_answers = {"E:\\decoy\\take.001", "E:\\right\\take.001"};
    settings_.values[kValueDirectory].data = "C:\\";

    EXPECT_EQ(Run({"D:\\old\\take.001"}), IDOK);
    EXPECT_EQ(found_[0], "E:\\right\\take.001");
    // The window keeps its dialog open; the search opens it again.
    if (in_dialog) EXPECT_EQ(ui_.events, (std::vector<std::string>{"message", "locate", "not the frames"}));
    else EXPECT_EQ(ui_.events, (std::vector<std::string>{"message", "locate", "not the frames", "locate"}));
    ASSERT_EQ(ui_.not_the_frames.size(), 2u);
    EXPECT_EQ(ui_.not_the_frames[0], "The file E:\\decoy\\take.001 does not hold the frames of this reference AVI.");
    EXPECT_EQ(ui_.not_the_frames[1], "has a frame of 144000 bytes at offset 0, not 120000");
    EXPECT_TRUE(ui_.errors.empty());
  }
  // Refused, then cancelled: nothing is linked.
  ui_ = ScriptUi();
  settings_.values[kValueDirectory].data = "C:\\";
  ui_.locate_answers = {"E:\\decoy\\take.001"};
  EXPECT_EQ(Run({"D:\\old\\take.001"}), IDCANCEL);
  EXPECT_EQ(flags_[0], 0);
  EXPECT_EQ(found_[0], "");
  EXPECT_EQ(all_resolved_, 0);
  // A refused file is not remembered as the folder to start in.
  EXPECT_EQ(settings_.values[kValueDirectory].data, "C:\\");
}

// ---- folder mappings ----

class MovedFolderTest : public RelinkTest {
 protected:
  // clip.avi links three files of D:\media, one in a subfolder; the folder
  // was moved to E:\archive\media.
  MovedFolderTest() {
    Reference(kOld);
    for (const std::string& path : kNew) Put(path, Ntsc(2));
  }
  const std::vector<std::string> kOld = {"D:\\media\\a.001", "D:\\media\\b.001", "D:\\media\\sub\\c.001"};
  const std::vector<std::string> kNew = {"E:\\archive\\media\\a.001", "E:\\archive\\media\\b.001",
                                         "E:\\archive\\media\\sub\\c.001"};
};

TEST_F(MovedFolderTest, OneFileLocatedByHandThenOneQuestionForAllTheOthers) {
  Drives(kC);
  ui_.locate_answers = {kNew[0]};
  ui_.update_answers = {true};

  EXPECT_EQ(Run(kOld), IDOK);
  EXPECT_EQ(found_, kNew);
  EXPECT_EQ(all_resolved_, 1);
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"message", "locate", "update"}));
  ASSERT_EQ(ui_.updates.size(), 1u);
  EXPECT_EQ(ui_.updates[0].text, "2 other missing data files were found in the same new folder. Update them all?");
  EXPECT_EQ(ui_.updates[0].places, (std::vector<std::pair<std::string, std::string>>{{kOld[1], kNew[1]},
                                                                                       {kOld[2], kNew[2]}}));
  EXPECT_EQ(ui_.missing_list, "");
}

TEST_F(MovedFolderTest, NoToTheQuestionGoesOnAsBefore) {
  Drives(kC);
  ui_.locate_answers = {kNew[0], kNew[1], kNew[2]};
  ui_.default_update = false;

  EXPECT_EQ(Run(kOld), IDOK);
  EXPECT_EQ(found_, kNew);
  // Each location asks again for what is left.
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"message", "locate", "update", "locate", "update", "locate"}));
  EXPECT_EQ(ui_.updates[1].text, "1 other missing data files were found in the same new folder. Update them all?");
}

TEST_F(MovedFolderTest, AnAcceptedCandidateTeachesTheFolderAndTheWalkStops) {
  ui_.default_found = FoundButton::kOk;
  ui_.update_answers = {true};
  CountListings();

  EXPECT_EQ(Run(kOld), IDOK);
  EXPECT_EQ(found_, kNew);
  EXPECT_EQ(ui_.offers.size(), 1u);
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"offer", "update"}));
  // Resolved: nothing after E:\archive\media is listed.
  EXPECT_EQ(std::count(listed_.begin(), listed_.end(), "E:\\archive\\media\\sub"), 0);
}

TEST_F(MovedFolderTest, AMappedFileWithoutTheFramesIsPassedOverAndSearchedFor) {
  Put(kNew[1], Pal(2));
  Put("E:\\elsewhere\\b.001", Ntsc(2));
  Drives(kE);
  ui_.locate_answers = {kNew[0]};
  ui_.default_update = true;
  ui_.default_found = FoundButton::kOk;
  // The Reference button at once: a is located, c comes through the folder,
  // b is not taken from there.
  missing_ = kOld;
  found_.assign(3, std::string());
  flags_.assign(3, 0);
  DriveSearch dlg("clip.avi", missing_, &found_, 3, &flags_,
                  SearchServices{fs_, settings_, test::MakeProbe(fs_), MakeContentCheck(fs_, kAvi)}, ui_);
  dlg.set_timer_period(2ms);
  dlg.PostButton(IDOK);
  // Manual location ends the search; b is left to a later search.
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(found_[0], kNew[0]);
  EXPECT_EQ(found_[2], kNew[2]);
  EXPECT_EQ(flags_[1], 0);
  ASSERT_FALSE(ui_.passed_over.empty());
  EXPECT_EQ(ui_.passed_over[0].candidate, kNew[1]);
  EXPECT_EQ(ui_.updates.size(), 1u);
  EXPECT_EQ(ui_.updates[0].places.size(), 1u);
}

TEST_F(MovedFolderTest, AGivenMappingRelinksTheWholeFolderWithoutAWalkOrAQuestion) {
  RunMemory memory;
  memory.mapping.Give("D:\\media", "E:\\archive\\media");
  CountListings();

  EXPECT_EQ(Run(kOld, &memory), IDOK);
  EXPECT_EQ(found_, kNew);
  EXPECT_TRUE(listed_.empty()) << listed_.front();
  EXPECT_TRUE(ui_.events.empty());
}

TEST_F(MovedFolderTest, WhatOneReferenceTaughtServesTheNextOnesOfTheRun) {
  RunMemory memory;
  Drives(kC);
  ui_.locate_answers = {kNew[0]};
  ui_.update_answers = {true};
  EXPECT_EQ(Run({kOld[0]}, &memory), IDOK);
  EXPECT_EQ(found_[0], kNew[0]);
  EXPECT_TRUE(ui_.updates.empty()) << "nothing else was missing";

  // The next reference AVI of the run: asked once, before any walk.
  ui_ = ScriptUi();
  ui_.update_answers = {true};
  CountListings();
  EXPECT_EQ(Run({kOld[1], kOld[2]}, &memory), IDOK);
  EXPECT_EQ(found_, (std::vector<std::string>{kNew[1], kNew[2]}));
  EXPECT_EQ(ui_.events, std::vector<std::string>{"update"});
  EXPECT_TRUE(listed_.empty());

  // After a Yes the mapping is taken without a question.
  ui_ = ScriptUi();
  EXPECT_EQ(Run({kOld[2]}, &memory), IDOK);
  EXPECT_EQ(found_[0], kNew[2]);
  EXPECT_TRUE(ui_.events.empty());
}

TEST(FolderMapping, LearnsTheFolderAndTheParentsThatMovedWithIt) {
  FolderMapping mapping;
  EXPECT_EQ(mapping.Learn("D:\\media\\sub\\c.001", "E:\\archive\\media\\sub\\c.001"), 2u);
  ASSERT_EQ(mapping.mappings().size(), 2u);
  EXPECT_EQ(mapping.mappings()[0].from, "D:\\media\\sub\\");
  EXPECT_EQ(mapping.mappings()[0].to, "E:\\archive\\media\\sub\\");
  EXPECT_EQ(mapping.mappings()[1].from, "D:\\media\\");
  EXPECT_EQ(mapping.mappings()[1].to, "E:\\archive\\media\\");
  // Not the drive: D:\ -> E:\archive\ would be a guess too far.
  const auto places = mapping.PlacesFor("D:\\media\\x\\y.001");
  ASSERT_EQ(places.size(), 1u);
  EXPECT_EQ(places[0].path, "E:\\archive\\media\\x\\y.001");
  EXPECT_TRUE(mapping.PlacesFor("D:\\other\\y.001").empty());
  EXPECT_TRUE(mapping.PlacesFor("D:\\mediax\\y.001").empty());

  // The same folder, or a folder whose name changed: only itself.
  EXPECT_EQ(mapping.Learn("D:\\media\\a.001", "D:\\media\\b.001"), 0u);
  EXPECT_EQ(mapping.Learn("D:\\takes\\a.001", "E:\\old takes\\a.001"), 1u);
}

TEST(FolderMapping, TheMostSpecificMappingComesFirst) {
  FolderMapping mapping;
  mapping.Give("D:\\", "F:\\whole drive");
  mapping.Give("D:\\media", "E:\\given");
  mapping.Learn("D:\\media\\sub\\a.001", "G:\\sub\\a.001");
  const auto places = mapping.PlacesFor("D:\\media\\sub\\b.001");
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].path, "G:\\sub\\b.001");
  EXPECT_EQ(places[1].path, "E:\\given\\sub\\b.001");
  EXPECT_EQ(places[2].path, "F:\\whole drive\\media\\sub\\b.001");
  EXPECT_FALSE(mapping.Unasked(places[0].mapping));
  EXPECT_TRUE(mapping.Unasked(places[1].mapping));
  mapping.Confirm(places[0].mapping);
  EXPECT_TRUE(mapping.Unasked(places[0].mapping));
  // A guess never overrules what the user gave; the user overrules a guess.
  EXPECT_EQ(mapping.Learn("D:\\media\\x.001", "H:\\x.001"), 0u);
  EXPECT_EQ(mapping.PlacesFor("D:\\media\\b.001")[0].path, "E:\\given\\b.001");
  mapping.Give("D:\\media\\sub\\", "E:\\again\\");
  EXPECT_EQ(mapping.PlacesFor("D:\\media\\sub\\b.001")[0].path, "E:\\again\\b.001");
}

// ---- one walk per run ----

class OneWalkTest : public RelinkTest {
 protected:
  OneWalkTest() {
    Put("C:\\p\\take.001", test::DvBytes());
    Put("C:\\p\\q\\other.bin", "x");
    Put("D:\\r\\take.001", test::DvBytes());
    Put("D:\\r\\late.001", test::DvBytes());
    Put("D:\\s\\t\\u\\misc.bin", "x");
    Put("E:\\v\\end.001", test::DvBytes());
  }

  // A search without the content check (DvBytes are no captures).
  int Plain(const std::vector<std::string>& missing, RunMemory* memory) {
    missing_ = missing;
    found_.assign(missing.size(), std::string());
    flags_.assign(missing.size(), 0);
    test::Watchdog watchdog(60, "one walk");
    DriveSearch dlg("clip.avi", missing_, &found_, static_cast<int>(missing_.size()), &flags_,
                    SearchServices{fs_, settings_, test::MakeProbe(fs_)}, ui_);
    dlg.set_timer_period(2ms);
    dlg.set_memory(memory);
    return dlg.DoModal();
  }

  bool EachListedOnce() const {
    return std::set<std::string>(listed_.begin(), listed_.end()).size() == listed_.size();
  }
};

TEST_F(OneWalkTest, TheSearchesOfARunListEachFolderOnce) {
  RunMemory memory;
  CountListings();
  // The first search stops in C:, the second in D:, the third walks to the
  // end, the fourth finds everything in the memory.
  ui_.default_found = FoundButton::kOk;
  EXPECT_EQ(Plain({"F:\\a\\take.001"}, &memory), IDOK);
  EXPECT_EQ(found_[0], "C:\\p\\take.001");
  EXPECT_EQ(Plain({"F:\\b\\late.001"}, &memory), IDOK);
  EXPECT_EQ(found_[0], "D:\\r\\late.001");
  EXPECT_EQ(Plain({"F:\\c\\end.001"}, &memory), IDOK);
  EXPECT_EQ(found_[0], "E:\\v\\end.001");
  const size_t one_walk = listed_.size();
  EXPECT_TRUE(EachListedOnce()) << ::testing::PrintToString(listed_);
  EXPECT_EQ(memory.walk.state(2), WalkMemory::State::kComplete);
  EXPECT_EQ(memory.walk.state(3), WalkMemory::State::kComplete);

  ui_ = ScriptUi();
  ui_.default_found = FoundButton::kOk;
  EXPECT_EQ(Plain({"F:\\d\\take.001", "F:\\e\\late.001"}, &memory), IDOK);
  EXPECT_EQ(found_, (std::vector<std::string>{"C:\\p\\take.001", "D:\\r\\late.001"}));
  EXPECT_EQ(listed_.size(), one_walk);
  EXPECT_EQ(memory.walk.files(), 6u);
  EXPECT_GT(memory.walk.bytes(), 0u);
}

TEST_F(OneWalkTest, FromTheMemoryCandidatesComeInWalkOrderEachAfterItsFolder) {
  RunMemory memory;
  std::vector<std::string> shown_at_offer;
  EXPECT_EQ(Plain({"F:\\a\\take.001"}, &memory), IDCANCEL);  // Next on each, then no location
  const std::vector<std::string> first = Candidates();
  EXPECT_EQ(first, (std::vector<std::string>{"C:\\p\\take.001", "D:\\r\\take.001"}));

  CountListings();
  ui_ = ScriptUi();
  ui_.on_found = [&](const FoundChoice&) { shown_at_offer.push_back(ui_.folders.back()); };
  EXPECT_EQ(Plain({"F:\\a\\take.001"}, &memory), IDCANCEL);
  EXPECT_EQ(Candidates(), first);
  EXPECT_TRUE(listed_.empty());
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"offer", "offer", "message", "locate"}));
  EXPECT_EQ(shown_at_offer, (std::vector<std::string>{"C:\\p", "D:\\r"}));
}

TEST_F(OneWalkTest, AFileTheRunPutInAWalkedFolderIsFound) {
  RunMemory memory;
  EXPECT_EQ(Plain({"F:\\a\\nothing.001"}, &memory), IDCANCEL);
  Put("E:\\v\\carried.001", test::DvBytes());
  memory.walk.NoteFile("E:\\v\\carried.001");
  CountListings();
  ui_ = ScriptUi();
  ui_.default_found = FoundButton::kOk;
  EXPECT_EQ(Plain({"F:\\a\\carried.001"}, &memory), IDOK);
  EXPECT_EQ(found_[0], "E:\\v\\carried.001");
  EXPECT_TRUE(listed_.empty());
}

TEST_F(OneWalkTest, PastTheBudgetEverySearchWalksForItself) {
  RunMemory memory(1);  // no room at all
  CountListings();
  ui_.default_found = FoundButton::kOk;
  EXPECT_EQ(Plain({"F:\\c\\end.001"}, &memory), IDOK);
  const size_t one_walk = listed_.size();
  EXPECT_EQ(memory.walk.state(2), WalkMemory::State::kUnrecorded);
  EXPECT_EQ(memory.walk.bytes(), 0u);
  EXPECT_EQ(Plain({"F:\\c\\end.001"}, &memory), IDOK);
  EXPECT_EQ(found_[0], "E:\\v\\end.001");
  EXPECT_EQ(listed_.size(), 2 * one_walk);
}

TEST(WalkMemory, KeepsNamesOnceAndEntriesInWalkOrder) {
  WalkMemory memory;
  memory.Start(2, "C:\\");
  const uint32_t root = memory.RecordFolder(2, "C:\\");
  const uint32_t sub = memory.RecordFolder(2, "C:\\sub");
  EXPECT_EQ(memory.RecordFolder(2, "C:\\"), root);
  ASSERT_TRUE(memory.RecordFile(2, "a.001", root));
  ASSERT_TRUE(memory.RecordFile(2, "b.001", sub));
  ASSERT_TRUE(memory.RecordFile(2, "a.001", sub));
  EXPECT_EQ(memory.Recorded(2, {"a.001", "a.001", "zz"}), (std::vector<std::string>{"C:\\a.001", "C:\\sub\\a.001"}));
  EXPECT_EQ(memory.Recorded(2, {"b.001", "a.001"}),
            (std::vector<std::string>{"C:\\a.001", "C:\\sub\\b.001", "C:\\sub\\a.001"}));
  EXPECT_EQ(memory.files(), 3u);
  // A noted file is kept once, even when the walk meets it afterwards.
  memory.NoteFile("C:\\sub\\new.001");
  ASSERT_TRUE(memory.RecordFile(2, "new.001", sub));
  EXPECT_EQ(memory.Recorded(2, {"new.001"}), std::vector<std::string>{"C:\\sub\\new.001"});
  // Drives not walked yet learn nothing: their walk will meet the file.
  memory.NoteFile("D:\\x.001");
  EXPECT_EQ(memory.state(3), WalkMemory::State::kNew);
  EXPECT_TRUE(memory.Recorded(3, {"x.001"}).empty());
}

TEST(WalkMemory, ALargeWalkKeepsEveryFolderAndFileInOrder) {
  // More entries than one block holds and more folders than the first
  // folder index: the walk records them without looking them up, and a
  // lookup afterwards finds each one.
  constexpr int kFolders = 3000;
  WalkMemory memory;
  memory.Start(2, "C:\\");
  std::vector<uint32_t> ids;
  std::vector<std::string> expected;
  for (int i = 0; i < kFolders; ++i) {
    const std::string folder = "C:\\f" + std::to_string(i);
    ids.push_back(memory.RecordWalkedFolder(2, folder));
    // Now and then a lookup, which indexes what was walked since the last.
    if (i % 100 == 50) {
      EXPECT_EQ(memory.RecordFolder(2, folder), ids.back());
    }
    ASSERT_TRUE(memory.RecordFile(2, "x.001", ids.back()));
    ASSERT_TRUE(memory.RecordFile(2, "n" + std::to_string(i) + ".001", ids.back()));
    expected.push_back(folder + "\\x.001");
  }
  EXPECT_EQ(memory.files(), 2u * kFolders);
  EXPECT_EQ(memory.Recorded(2, {"x.001"}), expected);
  EXPECT_EQ(memory.Recorded(2, {"n2999.001"}), std::vector<std::string>{"C:\\f2999\\n2999.001"});
  for (int i = 0; i < kFolders; i += 7) EXPECT_EQ(memory.RecordFolder(2, "C:\\f" + std::to_string(i)), ids[i]) << i;
  // A folder the run put a file in before the walk came to it is the same
  // folder to the walk, and the file is kept once.
  memory.NoteFile("C:\\later\\new.001");
  const uint32_t later = memory.RecordWalkedFolder(2, "C:\\later");
  EXPECT_EQ(memory.RecordFolder(2, "C:\\later"), later);
  ASSERT_TRUE(memory.RecordFile(2, "new.001", later));
  EXPECT_EQ(memory.Recorded(2, {"new.001"}), std::vector<std::string>{"C:\\later\\new.001"});
}

TEST(WalkMemory, ADriveGivenUpFreesItsShareOfTheBudgetAndOnlyThat) {
  // What a drive of one folder and one file holds, measured on its own.
  size_t one_drive = 0;
  {
    WalkMemory alone;
    alone.Start(2, "C:\\");
    ASSERT_TRUE(alone.RecordFile(2, "a.001", alone.RecordFolder(2, "C:\\")));
    one_drive = alone.bytes();
  }
  ASSERT_GT(one_drive, 0u);
  // Room for drive C and not a byte more: D's first file passes the budget.
  WalkMemory memory(one_drive);
  memory.Start(2, "C:\\");
  ASSERT_TRUE(memory.RecordFile(2, "a.001", memory.RecordFolder(2, "C:\\")));
  memory.MarkComplete(2);
  EXPECT_EQ(memory.bytes(), one_drive);
  memory.Start(3, "D:\\");
  EXPECT_FALSE(memory.RecordFile(3, "b.001", memory.RecordFolder(3, "D:\\")));
  EXPECT_EQ(memory.state(3), WalkMemory::State::kUnrecorded);
  EXPECT_EQ(memory.bytes(), one_drive) << "D's share is freed, C's is kept";
  EXPECT_EQ(memory.state(2), WalkMemory::State::kComplete);
  EXPECT_EQ(memory.Recorded(2, {"a.001"}), std::vector<std::string>{"C:\\a.001"});
  EXPECT_EQ(memory.files(), 1u);

  // Folders without a file pass the budget too.
  WalkMemory folders(one_drive);
  folders.Start(2, "C:\\");
  int recorded = 0;
  while (recorded < 1000000 &&
         folders.RecordWalkedFolder(2, "C:\\empty" + std::to_string(recorded)) != WalkMemory::kGivenUp)
    ++recorded;
  EXPECT_LT(recorded, 1000000);
  EXPECT_EQ(folders.state(2), WalkMemory::State::kUnrecorded);
  EXPECT_EQ(folders.bytes(), 0u);
}

}  // namespace
}  // namespace mendora
