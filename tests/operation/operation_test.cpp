#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Types.h"
#include "common/ErrorTable.h"
#include "operation/Journal.h"
#include "operation/Operation.h"
#include "operation/ProgramSteps.h"
#include "operation/Progress.h"
#include "refavi/fixtures.h"
#include "operation_fakes.h"
#include "support/faulty_fs.h"
#include "platform/event.h"
#include "platform/last_error.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "platform/wintypes.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

class OperationTest : public ::testing::Test {
 protected:
  OperationTest() : faulty(d.fs()), steps(faulty) { Backup(1); }

  void Backup(int flag) { settings.values["PrefBackupFlag"] = {std::to_string(flag), true}; }
  std::string P(char drive, const std::string& rel) { return d.Path(drive, rel); }
  void Avi(const std::string& path, const std::vector<std::string>& links) { d.WriteFile(path, test::FakeAvi(links)); }
  std::vector<std::string> LinksOf(const std::string& path) {
    std::vector<std::string> links;
    EXPECT_TRUE(test::ParseFakeAvi(d.ReadFile(path), &links)) << path;
    return links;
  }
  void Run(int mode, const std::vector<std::string>& files) {
    selected = files;
    COperation op(selected, faulty, settings, ui, steps);
    if (mode == Fix) op.RunFix();
    else op.RunMoveCopy(mode == Move ? 1 : 0);
    finished = op.finished();
  }

  test::TestDrives d;
  FaultyFileSystem faulty;
  test::FakeSteps steps;
  test::ScriptedUi ui;
  MemorySettingsStore settings;
  std::vector<std::string> selected;
  std::vector<int> finished;
};

const std::string kAnalysis = "step: Progress of Reference AVI File Analysis ";
const std::string kCreation = "step: Progress of Reference AVI File Creation ";
const std::string kCarryMove = "step: Progress of Move Reference AVI File Operation ";
const std::string kCarryCopy = "step: Progress of Copy Reference AVI File Operation ";
const std::string kBrowse = "browse: Select the Destination.";

TEST_F(OperationTest, WorkedExampleFix) {
  const std::string avi = P('D', "a\\clip.avi"), one = P('D', "a\\clip.001"), two = P('E', "old\\clip.002");
  const std::string found = P('C', "x\\clip.002");
  Avi(avi, {one, two});
  d.WriteFile(one, "one");
  d.WriteFile(found, "two");
  d.WriteFile(avi + ".bak", "an older backup");
  ui.locate[two] = found;
  Run(Fix, {avi});

  const std::vector<std::string> expected = {
      kAnalysis, "search: clip.avi", kCreation,
      "message: Corrected Data File Paths of Avi File:   " + avi + "     ",
      "message: Finished Checking Avi File:   " + avi + "     "};
  EXPECT_EQ(ui.log, expected);
  EXPECT_EQ(steps.last_old, std::vector<std::string>{two});
  EXPECT_EQ(steps.last_new, std::vector<std::string>{found});
  EXPECT_EQ(d.ReadFile(avi + ".bak"), test::FakeAvi({one, two}));
  EXPECT_EQ(LinksOf(avi), (std::vector<std::string>{one, found}));
  EXPECT_FALSE(d.Exists(avi + ".tmp"));
  EXPECT_EQ(d.ReadFile(found), "two") << "no data file is moved";
  EXPECT_EQ(finished, std::vector<int>{1});
}

TEST_F(OperationTest, WorkedExampleMove) {
  const std::string avi = P('D', "a\\clip.avi"), one = P('D', "a\\clip.001"), two = P('E', "old\\clip.002");
  const std::string found = P('C', "x\\clip.002");
  Avi(avi, {one, two});
  d.WriteFile(one, "one");
  d.WriteFile(found, "two");
  ASSERT_TRUE(d.fs().SetAttributes(avi, kAttrHidden));
  ui.locate[two] = found;
  ui.folder = P('E', "dst");
  d.WriteFile(P('E', "dst\\other"), "");
  Run(Move, {avi});

  const std::vector<std::string> expected = {kAnalysis, "search: clip.avi", kBrowse, kCarryMove, kCreation,
                                             "message: Finished Moving Avi File:   " + avi + "     "};
  EXPECT_EQ(ui.log, expected);
  const std::string g1 = P('E', "dst\\clip.001"), g2 = P('E', "dst\\clip.002");
  EXPECT_EQ(steps.last_old, (std::vector<std::string>{one, two}));
  EXPECT_EQ(steps.last_new, (std::vector<std::string>{g1, g2}));
  EXPECT_EQ(d.ReadFile(g1), "one");
  EXPECT_EQ(d.ReadFile(g2), "two");
  EXPECT_FALSE(d.Exists(one));
  EXPECT_FALSE(d.Exists(found));
  EXPECT_FALSE(d.Exists(avi));
  EXPECT_EQ(d.ReadFile(avi + ".bak"), test::FakeAvi({one, two}));
  EXPECT_EQ(LinksOf(P('E', "dst\\clip.avi")), (std::vector<std::string>{g1, g2}));
  EXPECT_TRUE(d.fs().GetAttributes(P('E', "dst\\clip.avi")) & kAttrHidden);
  EXPECT_FALSE(d.Exists(P('E', "dst\\clip.avi.tmp")));
  EXPECT_EQ(finished, std::vector<int>{1});
  // The searches later in the run are told where the data files went.
  EXPECT_EQ(ui.noted, (std::vector<std::string>{g1, g2}));
}

// When the current file cannot go to its backup name (or be replaced), the
// finished new file stays at its temporary path, named, so the user's search
// is not lost; the current file and an older backup are as they were.
TEST_F(OperationTest, FixKeepsTheNewFileWhenTheOldOneCannotGo) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001"), two = P('E', "old\\clip.002");
  const std::string found = P('C', "clip.002");
  d.WriteFile(one, "1");
  d.WriteFile(found, "2");
  ui.locate[two] = found;
  for (int backup : {1, 0}) {
    SCOPED_TRACE(backup);
    Avi(avi, {one, two});
    d.WriteFile(avi + ".bak", "an older backup");
    Backup(backup);
    faulty.Reset();
    // Rename 0 puts the journal in place before the creation, and with a
    // backup rename 1 after it; a Fix without one has a single journal.
    faulty.FailNth(FaultKind::kRename, backup == 1 ? 2 : 1, kErrorSharingViolation);
    ui.messages.clear();
    Run(Fix, {avi});
    EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({one, two}));
    EXPECT_EQ(d.ReadFile(avi + ".bak"), "an older backup");
    EXPECT_EQ(LinksOf(avi + ".tmp"), (std::vector<std::string>{one, found}));
    ASSERT_EQ(ui.messages.size(), 2u) << "the system's text, then where the new file is";
    EXPECT_EQ(ui.messages[1], "The corrected reference AVI file has been kept at:   " + avi + ".tmp     ");
    EXPECT_EQ(finished, std::vector<int>{0});
    std::filesystem::remove(d.Native(avi + ".tmp"));
  }
}

TEST_F(OperationTest, FixWithEveryLinkPresentOnlySaysSo) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  Run(Fix, {avi});
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, "message: Finished Checking Avi File:   " + avi + "     "}));
  EXPECT_EQ(steps.creations, 0);
  EXPECT_EQ(faulty.Calls(FaultKind::kAttributes), 0) << "no attribute is tested";
  EXPECT_FALSE(d.Exists(avi + ".bak"));
}

TEST_F(OperationTest, UnresolvedOrCancelledSearchEndsTheFileSilently) {
  const std::string a = P('D', "a.avi"), b = P('D', "b.avi"), c = P('D', "c.avi");
  Avi(a, {P('E', "gone.001")});
  Avi(b, {P('E', "gone.002")});
  Avi(c, {P('E', "gone.003")});
  ui.folder = P('E', "dst");
  Run(Move, {a});  // unresolved: no destination is asked for
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, "search: a.avi"}));
  ui.log.clear();
  Run(Fix, {b, c});
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, "search: b.avi", kAnalysis, "search: c.avi"}));
  ui.log.clear();
  ui.cancel_search = true;
  ui.locate[P('E', "gone.002")] = a;
  Run(Copy, {b});
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, "search: b.avi"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(steps.creations, 0);
  EXPECT_EQ(finished, std::vector<int>{0});
}

// A step whose worker gets no thread fails as a failing step does: its
// error is shown, the file goes no further, and a carry made is taken back.
TEST_F(OperationTest, AStepThatGetsNoThreadFailsWithItsErrorAndLeavesTheFiles) {
  const std::string avi = P('D', "a\\clip.avi"), one = P('D', "a\\clip.001");
  d.WriteFile(P('E', "dst\\other"), "");
  ui.folder = P('E', "dst");
  const std::pair<int, std::vector<std::string>> rows[] = {
      {1, {kAnalysis, "error: 521"}},
      {3, {kAnalysis, kBrowse, kCarryMove, kCreation, "error: 521"}},  // after the carry
  };
  for (const auto& [nth, log] : rows) {
    SCOPED_TRACE(nth);
    Avi(avi, {one});
    d.WriteFile(one, "one");
    ui.log.clear();
    WorkerThread::FailStart(nth);
    Run(Move, {avi});
    WorkerThread::FailStart(0);
    EXPECT_EQ(ui.log, log);
    EXPECT_EQ(finished, std::vector<int>{0});
    EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({one}));
    EXPECT_EQ(d.ReadFile(one), "one");
    EXPECT_FALSE(d.Exists(P('E', "dst\\clip.001")));
  }
}

TEST_F(OperationTest, ReadOnlyReferenceAviOnFixAsksRetryThenCancel) {
  const std::string avi = P('D', "a\\clip.avi"), two = P('E', "old\\clip.002");
  Avi(avi, {two});
  d.WriteFile(P('C', "clip.002"), "2");
  ui.locate[two] = P('C', "clip.002");
  ASSERT_TRUE(d.fs().SetAttributes(avi, kAttrReadOnly));
  ui.retries = {true, false};
  Run(Fix, {avi});
  const std::string prompt = "retry: [Fix Failure]     File   " + avi +
                             "   is a read-only file..     Would you like to retry the Fix operation?";
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, prompt, prompt}));
  EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({two}));

  // A system file gets the other kind; Retry after it was cleared goes on.
  ASSERT_TRUE(d.fs().SetAttributes(avi, kAttrSystem));
  ui.log.clear();
  ui.retries = {true};
  faulty.Reset();
  // The answer clears the attribute, as a user would before pressing Retry.
  struct ClearingUi : test::ScriptedUi {
    FileSystem* fs;
    std::string path;
    bool AskRetry(const std::string& text) override {
      fs->SetAttributes(path, 0);
      return ScriptedUi::AskRetry(text);
    }
  } clearing;
  clearing.fs = &d.fs();
  clearing.path = avi;
  clearing.locate = ui.locate;
  clearing.retries = {true};
  selected = {avi};
  COperation op(selected, faulty, settings, clearing, steps);
  op.RunFix();
  ASSERT_GE(clearing.log.size(), 2u);
  EXPECT_EQ(clearing.log[1], "retry: [Fix Failure]     File   " + avi +
                                 "   is a system file..     Would you like to retry the Fix operation?");
  EXPECT_EQ(LinksOf(avi), std::vector<std::string>{P('C', "clip.002")});
  EXPECT_EQ(op.finished(), std::vector<int>{1});
}

TEST_F(OperationTest, CopyIntoItsOwnFolderKeepsABackupEvenWithTheFlagOff) {
  Backup(0);
  const std::string avi = P('D', "v\\take1.avi"), here = P('D', "v\\take1.001"), there = P('C', "take1.002");
  Avi(avi, {here, there});
  d.WriteFile(here, "h");
  d.WriteFile(there, "t");
  ui.folder = P('D', "v\\");
  Run(Copy, {avi});
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, kBrowse, kCarryCopy, kCreation,
                                              "message: Finished Copying Avi File:   " + avi + "     "}));
  EXPECT_EQ(d.ReadFile(avi + ".bak"), test::FakeAvi({here, there}));
  EXPECT_EQ(LinksOf(avi), (std::vector<std::string>{here, P('D', "v\\take1.002")}));
  EXPECT_EQ(steps.last_old, std::vector<std::string>{there}) << "a file already in place gets no pair";
  EXPECT_EQ(d.ReadFile(there), "t");
}

TEST_F(OperationTest, TakenNamesGetTheNextFreeNumberAndSameNamesNeverMeet) {
  const std::string avi = P('D', "take1.avi");
  const std::string a = P('C', "x\\take1.001"), b = P('D', "y\\take1.001"), c = P('D', "take1.002");
  Avi(avi, {a, b, c});
  d.WriteFile(a, "from C");
  d.WriteFile(b, "from D");
  d.WriteFile(c, "c");
  d.WriteFile(P('E', "dst\\take1.001"), "already there");
  d.WriteFile(P('E', "dst\\take1~001.001"), "also there");
  ui.folder = P('E', "dst");
  Run(Copy, {avi});
  const std::string n2 = P('E', "dst\\take1~002.001"), n3 = P('E', "dst\\take1~003.001");
  EXPECT_EQ(LinksOf(P('E', "dst\\take1.avi")), (std::vector<std::string>{n2, n3, P('E', "dst\\take1.002")}));
  EXPECT_EQ(d.ReadFile(n2), "from C");
  EXPECT_EQ(d.ReadFile(n3), "from D");
  EXPECT_EQ(d.ReadFile(P('E', "dst\\take1.001")), "already there");
  EXPECT_EQ(finished, std::vector<int>{1});
}

TEST_F(OperationTest, AttributesOfTheSourceAreCarriedToTheNewFile) {
  if (test::UnderWine()) GTEST_SKIP() << "Wine as root keeps no read-only attribute on a copy";
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  ASSERT_TRUE(d.fs().SetAttributes(avi, kAttrReadOnly | kAttrHidden));
  ui.folder = P('C', "dst");
  d.WriteFile(P('C', "dst\\x"), "");
  Run(Copy, {avi});
  const uint32_t attributes = d.fs().GetAttributes(P('C', "dst\\clip.avi"));
  EXPECT_EQ(attributes & (kAttrReadOnly | kAttrHidden), kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(finished, std::vector<int>{1});
}

TEST_F(OperationTest, MoveRefusesReadOnlyDataFilesBeforeTouchingAnything) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  ASSERT_TRUE(d.fs().SetAttributes(one, kAttrReadOnly));
  ui.folder = P('E', "dst");
  d.WriteFile(P('E', "dst\\x"), "");
  Run(Move, {avi});
  ASSERT_EQ(ui.log.size(), 3u);
  EXPECT_EQ(ui.log[2], "retry: [Move Failure]     File   " + one +
                           "   is a read-only file..     Would you like to retry the Move operation?");
  EXPECT_TRUE(d.Exists(one));
  EXPECT_FALSE(d.Exists(P('E', "dst\\clip.001")));
}

TEST_F(OperationTest, TwoFailingFilesGiveTwoErrorDialogsInOrder) {
  const std::string missing = P('D', "none.avi"), avi = P('D', "clip.avi");
  Avi(avi, {P('E', "gone.001")});
  d.WriteFile(P('C', "gone.001"), "g");
  ui.locate[P('E', "gone.001")] = P('C', "gone.001");
  faulty.FailNth(FaultKind::kCreate, 1, kErrorAccessDenied);  // the temporary file, after the journal
  Run(Fix, {missing, avi});
  EXPECT_EQ(ui.errors, (std::vector<int>{97, 'y'}));
  EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({P('E', "gone.001")}));
  EXPECT_FALSE(d.Exists(avi + ".tmp"));
}

// Another run creates its file at `held` between this run's delete of the
// leftover there and its exclusive create.
class HeldNameFileSystem : public FaultyFileSystem {
 public:
  HeldNameFileSystem(FileSystem& inner, const test::TestDrives& d) : FaultyFileSystem(inner), d_(d) {}
  std::string held;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode == OpenMode::kCreateNewWrite && path == held) {
      d_.WriteFile(held, "the other run's file");
      held.clear();
    }
    return FaultyFileSystem::Open(path, mode);
  }

 private:
  const test::TestDrives& d_;
};

// The new reference AVI is written at NAME.avi.tmp with the program's own
// steps. A leftover there goes; a name another run holds stops the file with
// ERR_TEMP_TAKEN, and neither that step nor any undo touches the other
// run's file.
TEST_F(OperationTest, TheTemporaryNameIsCreatedExclusively) {
  struct Row {
    const char* name;
    int mode;
    bool held;  // else a leftover of an earlier run
  };
  const Row rows[] = {{"Fix, leftover", Fix, false}, {"Fix, held", Fix, true},
                      {"Move, leftover", Move, false}, {"Move, held", Move, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    test::TestDrives drives;
    HeldNameFileSystem held_fs(drives.fs(), drives);
    ProgramSteps program(held_fs);
    test::ScriptedUi script;
    const std::string avi = drives.Path('D', "a\\clip.avi"), one = drives.Path('D', "a\\clip.001");
    const std::string two = drives.Path('E', "old\\clip.002"), found = drives.Path('C', "x\\clip.002");
    test::AviSpec recipe;
    for (const std::string& link : {one, two}) recipe.frames.push_back(test::FrameSpec::Ref(link, 8));
    const std::string original = test::BuildAvi(recipe);
    drives.WriteFile(avi, original);
    drives.WriteFile(one, "one");
    drives.WriteFile(found, "two");
    script.locate[two] = found;
    script.folder = drives.Path('E', "dst");
    drives.WriteFile(drives.Path('E', "dst\\other"), "");
    const std::string temporary = (row.mode == Fix ? avi : drives.Path('E', "dst\\clip.avi")) + ".tmp";
    if (row.held) held_fs.held = temporary;
    else drives.WriteFile(temporary, "left by an earlier run");
    std::vector<std::string> files = {avi};
    COperation op(files, held_fs, settings, script, program);
    if (row.mode == Fix) op.RunFix();
    else op.RunMoveCopy(1);
    if (!row.held) {
      EXPECT_EQ(op.finished(), std::vector<int>{1});
      EXPECT_FALSE(drives.Exists(temporary));
      continue;
    }
    EXPECT_EQ(op.finished(), std::vector<int>{0});
    EXPECT_EQ(script.errors, std::vector<int>{ERR_TEMP_TAKEN});
    EXPECT_EQ(drives.ReadFile(temporary), "the other run's file");
    EXPECT_EQ(drives.ReadFile(avi), original);
    EXPECT_EQ(drives.ReadFile(one), "one");
    EXPECT_EQ(drives.ReadFile(found), "two");
    EXPECT_FALSE(drives.Exists(drives.Path('E', "dst\\clip.001")));
    EXPECT_FALSE(drives.Exists(JournalPath(avi)));
  }
}

TEST_F(OperationTest, ExistingOutputIsReplacedOnlyAfterOk) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001"), out = P('E', "dst\\clip.avi");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  d.WriteFile(out, "someone else's");
  ui.folder = P('E', "dst");
  ui.overwrite = IDCANCEL;
  Run(Copy, {avi});
  const std::string question =
      "overwrite: The following files already exist in the selected destination directory: |" + out +
      "|Overwrite existing files?";
  EXPECT_EQ(ui.log, (std::vector<std::string>{kAnalysis, kBrowse, question}));
  EXPECT_EQ(d.ReadFile(out), "someone else's");

  ui.overwrite = IDOK;
  faulty.Reset();
  // The older file is replaced only by the final rename: when that fails,
  // after the carry and the creation, it is still there.
  faulty.FailNth(FaultKind::kRename, 0, kErrorSharingViolation);
  Run(Copy, {avi});
  EXPECT_EQ(ui.messages.size(), 1u) << "the system's text, then the file ends silently";
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(d.ReadFile(out), "someone else's");
  EXPECT_FALSE(d.Exists(P('E', "dst\\clip.001")));

  faulty.Reset();
  ui.messages.clear();
  Run(Copy, {avi});
  EXPECT_EQ(LinksOf(out), std::vector<std::string>{P('E', "dst\\clip.001")});
  EXPECT_EQ(finished, std::vector<int>{1});
}

TEST_F(OperationTest, TheReferenceAviUnderAnotherNameIsNeverDeleted) {
  if (test::UnderWine()) GTEST_SKIP() << "needs a second name for one file";
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  d.WriteFile(P('E', "dst\\x"), "");
  std::filesystem::create_symlink(d.Native(avi), d.Native(P('E', "dst\\clip.avi")));
  ui.folder = P('E', "dst");
  Run(Move, {avi});
  EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({one}));
  EXPECT_EQ(d.ReadFile(one), "1");
  for (const std::string& line : ui.log) EXPECT_EQ(line.rfind("overwrite", 0), std::string::npos) << line;
  EXPECT_EQ(finished, std::vector<int>{0});
}

TEST_F(OperationTest, AttributeFailureWhenPlacingTakesTheCopyBack) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001");
  Avi(avi, {one});
  d.WriteFile(one, "1");
  ui.folder = P('E', "dst");
  d.WriteFile(P('E', "dst\\x"), "");
  // Attribute calls: the Move check of the AVI and of the data file, the
  // carry's list checks and size, then the source's attributes and the new
  // file's, which are set before it takes its name: a failure there leaves
  // the destination as it was.
  int taken_back = 0;
  for (int n = 0;; ++n) {
    faulty.Reset();
    faulty.FailNth(FaultKind::kAttributes, n, kErrorAccessDenied);
    ui.messages.clear();
    ui.errors.clear();
    Run(Copy, {avi});
    if (!faulty.Fired()) break;
    if (finished[0] == 1) {
      EXPECT_EQ(LinksOf(P('E', "dst\\clip.avi")), std::vector<std::string>{P('E', "dst\\clip.001")}) << n;
      std::filesystem::remove(d.Native(P('E', "dst\\clip.avi")));
      std::filesystem::remove(d.Native(P('E', "dst\\clip.001")));
      continue;
    }
    EXPECT_FALSE(d.Exists(P('E', "dst\\clip.avi"))) << n;
    EXPECT_FALSE(d.Exists(P('E', "dst\\clip.avi.tmp"))) << n;
    if (d.Exists(P('E', "dst\\clip.001"))) ADD_FAILURE() << n << ": a copy is left";
    if (ui.messages.size() == 1 && ui.errors.empty()) ++taken_back;
  }
  EXPECT_GE(taken_back, 2) << "reading the source's attributes, writing the new file's";
  EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({one}));
}

TEST_F(OperationTest, CancelInEachStepUndoesThatStep) {
  const std::string avi = P('D', "clip.avi"), one = P('D', "clip.001"), two = P('C', "clip.002");
  Avi(avi, {one, two});
  d.WriteFile(one, std::string(300000, '1'));
  d.WriteFile(two, std::string(200000, '2'));
  ui.folder = P('E', "dst");
  d.WriteFile(P('E', "dst\\x"), "");
  for (int mode : {Move, Copy}) {
    for (int kind : {0, 2, 1}) {
      ui.log.clear();
      ui.cancel_in_kind = kind;
      ui.cancel_in_kind_at = kind == kStepCarry ? 1 : 0;
      Run(mode, {avi});
      EXPECT_TRUE(ui.messages.empty()) << mode << kind;
      EXPECT_TRUE(ui.errors.empty()) << mode << kind;
      EXPECT_EQ(d.ReadFile(avi), test::FakeAvi({one, two}));
      EXPECT_EQ(d.ReadFile(one), std::string(300000, '1'));
      EXPECT_EQ(d.ReadFile(two), std::string(200000, '2'));
      EXPECT_FALSE(d.Exists(P('E', "dst\\clip.001"))) << mode << kind;
      EXPECT_FALSE(d.Exists(P('E', "dst\\clip.002"))) << mode << kind;
      EXPECT_FALSE(d.Exists(P('E', "dst\\clip.avi")));
      EXPECT_FALSE(d.Exists(P('E', "dst\\clip.avi.tmp")));
      EXPECT_FALSE(d.Exists(avi + ".bak"));
    }
  }
}

}  // namespace
}  // namespace mendora
