// The found, manual locate and preference logic on their own.
#include <gtest/gtest.h>

#include <string>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "search/FoundChoice.h"
#include "search/SearchPreferences.h"
#include "search/ManualLocate.h"
#include "search/DriveTree.h"
#include "search_fixture.h"

namespace mendora {
namespace {

using test::DvBytes;
using test::ScriptUi;
using test::WaveBytes;

TEST(FoundChoice, ShowsTheTextsWithTheirBlanks) {
  std::string path;
  int flag = 0;
  FoundChoice dlg("E:\\old\\clip.002", "F:\\x\\clip.002", &path, &flag);
  EXPECT_EQ(dlg.question_text(), "Do you wish to update the file path of the missing data file?");
  EXPECT_EQ(dlg.missing_text(), "Missing File:  E:\\old\\clip.002     ");
  EXPECT_EQ(dlg.similar_text(), "Similar File:   F:\\x\\clip.002     ");
}

TEST(FoundChoice, ButtonsSetTheFlagsTheCallerTellsApart) {
  struct Case {
    FoundButton button;
    int result, continue_flag, manual_flag, found_flag;
    const char* found_path;
  };
  const Case cases[] = {
      {FoundButton::kOk, IDOK, 1, 0, 1, "F:\\x\\clip.002"},
      {FoundButton::kNext, IDCANCEL, 1, 0, 0, ""},
      {FoundButton::kReference, IDCANCEL, 1, 1, 0, ""},
      {FoundButton::kCancel, IDCANCEL, 0, 0, 0, ""},
  };
  for (const Case& c : cases) {
    std::string path;
    int flag = 0;
    FoundChoice dlg("E:\\old\\clip.002", "F:\\x\\clip.002", &path, &flag);
    EXPECT_EQ(dlg.Press(c.button), c.result);
    EXPECT_EQ(dlg.continue_flag(), c.continue_flag);
    EXPECT_EQ(dlg.manual_flag(), c.manual_flag);
    EXPECT_EQ(flag, c.found_flag);
    EXPECT_EQ(path, c.found_path);
  }
}

TEST(FoundChoice, NeverWritesAPathPastTheBuffer) {
  std::string path = "kept";
  int flag = 0;
  FoundChoice dlg("E:\\a.001", "C:\\" + std::string(253, 'x') + ".001", &path, &flag);  // 260 characters
  EXPECT_EQ(dlg.Press(FoundButton::kOk), IDCANCEL);
  EXPECT_EQ(path, "kept");
  EXPECT_EQ(flag, 0);
}

class SpecifyTest : public ::testing::Test {
 protected:
  SpecifyTest() : fs_(drives_) {
    drives_.WriteFile(drives_.Path('D', "clips\\take.001"), DvBytes());
    drives_.WriteFile(drives_.Path('D', "clips\\sound.001"), WaveBytes());
    settings_.values[kValueDirectory].data = "D:\\clips\\";
    settings_.values[kValueFilter].data = "2";
  }

  ManualLocate Make(const std::string& name) {
    return ManualLocate("clip.avi", name, &path_, &flag_, SearchServices{fs_, settings_, test::MakeProbe(fs_)});
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
  std::string path_;
  int flag_ = 0;
};

TEST_F(SpecifyTest, OpensInTheRememberedFolderAndPrefillsADvFileThere) {
  ManualLocate dlg = Make("take.001");
  EXPECT_EQ(dlg.title(), "Correcting Non-Existing Data File Path of clip.avi ");
  EXPECT_EQ(dlg.prompt(), "Please Specify Current Location of:   ");
  EXPECT_EQ(dlg.initial_folder(), "D:\\clips\\");
  EXPECT_EQ(dlg.filter_index(), 2);
  EXPECT_EQ(dlg.file_name(), "take.001");
  // A same-name file that is not DV, or no file at all: nothing pre-filled.
  EXPECT_EQ(Make("sound.001").file_name(), "");
  EXPECT_EQ(Make("other.001").file_name(), "");
}

TEST_F(SpecifyTest, FolderChangeOffersTheNameOnlyWhereTheDvFileIs) {
  ManualLocate dlg = Make("take.001");
  EXPECT_EQ(dlg.OnFolderChange("D:\\clips"), "take.001");
  EXPECT_EQ(dlg.OnFolderChange("D:\\clips\\"), "take.001");
  EXPECT_EQ(dlg.OnFolderChange("D:\\"), "*.avi");
  EXPECT_EQ(Make("sound.001").OnFolderChange("D:\\clips"), "*.avi");
}

TEST_F(SpecifyTest, RefusesWhatIsNotDvAndKeepsEverything) {
  ManualLocate dlg = Make("take.001");
  EXPECT_FALSE(dlg.OnFileNameOK("D:\\clips\\sound.001", 1));
  EXPECT_EQ(dlg.status(), 290);
  EXPECT_FALSE(dlg.OnFileNameOK("D:\\clips\\gone.001", 1));
  EXPECT_EQ(dlg.status(), 289);
  EXPECT_FALSE(dlg.OnFileNameOK("D:\\" + std::string(256, 'x'), 1));
  EXPECT_EQ(dlg.status(), 289);
  EXPECT_EQ(flag_, 0);
  EXPECT_EQ(path_, "");
  EXPECT_EQ(settings_.values[kValueDirectory].data, "D:\\clips\\");
  EXPECT_EQ(settings_.values[kValueFilter].data, "2");
}

TEST_F(SpecifyTest, AcceptingSavesTheFolderWithItsBackslashAndTheFileType) {
  drives_.WriteFile(drives_.Path('E', "moved\\here\\take.001"), DvBytes());
  ManualLocate dlg = Make("take.001");
  EXPECT_TRUE(dlg.OnFileNameOK("E:\\moved\\here\\take.001", 1));
  EXPECT_EQ(path_, "E:\\moved\\here\\take.001");
  EXPECT_EQ(flag_, 1);
  EXPECT_EQ(settings_.values[kValueDirectory].data, "E:\\moved\\here\\");
  EXPECT_EQ(settings_.values[kValueFilter].data, "1");
  // The next locate dialog opens there, with that file type.
  std::string other;
  int other_flag = 0;
  ManualLocate next("clip.avi", "take.001", &other, &other_flag, SearchServices{fs_, settings_, test::MakeProbe(fs_)});
  EXPECT_EQ(next.initial_folder(), "E:\\moved\\here\\");
  EXPECT_EQ(next.filter_index(), 1);
  EXPECT_EQ(next.file_name(), "take.001");
}

TEST_F(SpecifyTest, DoModalAsksAgainAfterARefusalUntilAcceptOrCancel) {
  ScriptUi ui;
  ui.locate_answers = {"D:\\clips\\sound.001", "D:\\clips\\take.001"};
  ManualLocate dlg = Make("take.001");
  EXPECT_EQ(dlg.DoModal(ui), IDOK);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"locate", "error", "locate"}));
  EXPECT_EQ(ui.errors, std::vector<int>{290});

  ScriptUi cancelling;
  std::string untouched = "before";
  int untouched_flag = 0;
  ManualLocate cancelled("clip.avi", "take.001", &untouched, &untouched_flag,
                           SearchServices{fs_, settings_, test::MakeProbe(fs_)});
  const auto saved = settings_.values;
  EXPECT_EQ(cancelled.DoModal(cancelling), IDCANCEL);
  EXPECT_EQ(untouched, "before");
  EXPECT_EQ(untouched_flag, 0);
  EXPECT_EQ(settings_.values[kValueDirectory].data, saved.at(kValueDirectory).data);
}

TEST_F(SpecifyTest, AChoiceTheWindowAcceptedIsTakenOnce) {
  // The window's OK handler accepts the file; the dialog must not probe it
  // and save the settings again, nor ask again when a second probe fails.
  int probes = 0;
  auto probe = test::MakeProbe(fs_);
  ScriptUi ui;
  ui.check_in_dialog = true;
  ui.locate_answers = {"D:\\clips\\sound.001", "D:\\clips\\take.001", "D:\\clips\\take.001"};
  ManualLocate dlg("clip.avi", "other.001", &path_, &flag_,
                     SearchServices{fs_, settings_, [&](const std::string& path) {
                                      return ++probes > 2 ? 289 : probe(path);
                                    }});
  const int writes = settings_.writes;
  EXPECT_EQ(dlg.DoModal(ui), IDOK);
  EXPECT_EQ(ui.events, (std::vector<std::string>{"locate", "error"}));
  EXPECT_EQ(probes, 2);
  EXPECT_EQ(settings_.writes - writes, 2);  // Directory and Filter, once
  EXPECT_EQ(path_, "D:\\clips\\take.001");
  EXPECT_EQ(flag_, 1);
}

class TreeTest : public ::testing::Test {
 protected:
  TreeTest() : fs_(drives_) { settings_.values[kValueDirectory].data = "C:\\"; }
  static std::string Name(const std::string& root) { return "Disk (" + root.substr(0, 2) + ")"; }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
};

constexpr uint32_t kA = 1u << 0, kC = 1u << 2, kD = 1u << 3, kE = 1u << 4, kF = 1u << 5;

TEST_F(TreeTest, ItemsArePresentDrivesCheckedFromTheMask) {
  settings_.values[kValueSearchDrives].data = EncodeDriveMask(kC | kE);
  DriveTree tree(settings_, fs_);
  tree.Fill(kA | kC | kD | kE, Name);
  ASSERT_EQ(tree.item_count(), 4);
  EXPECT_EQ(tree.item_text(0), "A:\\Disk (A:)");
  EXPECT_EQ(tree.item_text(1), "C:\\Disk (C:)");
  EXPECT_EQ(tree.GetItemPath(1), "C:\\Disk (C:)");
  EXPECT_FALSE(tree.checked(0));
  EXPECT_TRUE(tree.checked(1));
  EXPECT_FALSE(tree.checked(2));
  EXPECT_TRUE(tree.checked(3));
}

TEST_F(TreeTest, ItemPathJoinsParentsWithOneBackslash) {
  DriveTree tree(settings_, fs_);
  const int root = tree.InsertDriveItem("C:\\", DriveTree::kRoot, "");
  const int a = tree.InsertDriveItem("video", root, "");
  const int b = tree.InsertDriveItem("clips", a, "");
  EXPECT_EQ(tree.GetItemPath(root), "C:\\");
  EXPECT_EQ(tree.GetItemPath(b), "C:\\video\\clips");
}

TEST_F(TreeTest, SaveSelectionRebuildsTheMaskFromTheChecks) {
  settings_.values[kValueSearchDrives].data = EncodeDriveMask(kC | kF);  // F: is not present
  DriveTree tree(settings_, fs_);
  tree.Fill(kC | kD | kE, Name);
  EXPECT_EQ(tree.SaveSelection(), 1);
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, EncodeDriveMask(kC));  // F: dropped out

  tree.set_checked(0, false);
  tree.set_checked(1, true);
  tree.set_checked(2, true);
  EXPECT_EQ(tree.SaveSelection(), 2);
  EXPECT_EQ(tree.drive_mask(), kD | kE);
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, "000000000000000000000ED000");

  // Nothing checked saves 0; loading then falls back to the drive of Directory.
  tree.set_checked(1, false);
  tree.set_checked(2, false);
  EXPECT_EQ(tree.SaveSelection(), 0);
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, std::string(26, '0'));
  EXPECT_EQ(DriveTree(settings_, fs_).drive_mask(), kC);
}

TEST_F(TreeTest, AnEmptyTreeKeepsTheMask) {
  settings_.values[kValueSearchDrives].data = EncodeDriveMask(kD | kE);
  DriveTree tree(settings_, fs_);
  EXPECT_EQ(tree.SaveSelection(), 0);
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, EncodeDriveMask(kD | kE));
}

TEST_F(TreeTest, PreferenceOkSavesDrivesAndBackupCancelNothing) {
  settings_.values[kValueBackup].data = "1";
  settings_.values[kValueSearchDrives].data = EncodeDriveMask(kC);
  {
    SearchPreferences dlg(settings_, fs_);
    dlg.OnInitDialog(kC | kD, Name);
    EXPECT_TRUE(dlg.backup_checked_at_start());
    dlg.tree().set_checked(1, true);
    // Cancel: the dialog goes away without OnOK.
  }
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, EncodeDriveMask(kC));
  EXPECT_EQ(settings_.values[kValueBackup].data, "1");

  SearchPreferences dlg(settings_, fs_);
  dlg.OnInitDialog(kC | kD, Name);
  dlg.tree().set_checked(1, true);
  dlg.OnOK(false);
  EXPECT_EQ(settings_.values[kValueSearchDrives].data, EncodeDriveMask(kC | kD));
  EXPECT_EQ(settings_.values[kValueBackup].data, "0");
}

}  // namespace
}  // namespace mendora
