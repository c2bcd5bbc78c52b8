// Fix, Copy and Move run once for every file-system call of a clean run with
// that call failing (once, or from there on), with a second failure in the
// undo that follows, and once for every progress report with a Cancel
// there. After each run the disk must agree with what the user was told:
// a finished run left the complete new state, any other left the old state
// whole; every data file is there exactly once with its bytes; every other
// file that was there before is unchanged; a backup exists exactly when it
// should and holds the old bytes; no temporary file is left. Whatever the
// program could not put back counts only when a message names its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "common/Types.h"
#include "operation/Journal.h"
#include "operation/MoveMulti.h"
#include "operation/Operation.h"
#include "operation/ProgramSteps.h"
#include "refavi/GetContentList.h"
#include "refavi/fixtures.h"
#include "operation_fakes.h"
#include "platform/codepage.h"
#include "platform/last_error.h"
#include "support/faulty_fs.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "platform/wintypes.h"
#include "support/test_drives.h"
#include "support/file_states.h"

namespace mendora {
namespace {

namespace stdfs = std::filesystem;

struct Scenario {
  const char* name;
  int mode;
  int backup;
  bool own_folder;  // Move/Copy into the reference AVI's own folder
  bool real = false;  // real reference AVIs with the program's reader and builder
  bool japanese = false;  // CP932 names whose second byte is 0x5C, the backslash
};

// The code page of recorded paths while a test runs: Japanese worlds need
// 932. Natively it is set; Windows has the system's, and such a world runs
// there only on a Japanese system.
class CodePageForTest {
 public:
  explicit CodePageForTest(bool japanese) {
    if (japanese) SetAnsiCodePage(kCodePageJapanese);
    usable_ = !japanese || AnsiCodePage() == kCodePageJapanese;
  }
  ~CodePageForTest() { SetAnsiCodePage(0); }
  bool usable() const { return usable_; }

 private:
  bool usable_ = true;
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Totals {
  int runs = 0;
  int faults = 0;
  int sticky = 0;
  int undo_faults = 0;
  int cancels = 0;
  int files_checked = 0;
  int losses = 0;
};

std::string Content(int i) {
  std::string s(18000 + 3000 * i, '\0');
  for (size_t k = 0; k < s.size(); ++k) s[k] = static_cast<char>('a' + (k * (i + 3)) % 23);
  return s;
}

// Fails, once, the first rename, move or delete after the planned fault has
// fired: the undo of what the first fault interrupted.
class SweepFileSystem : public FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  bool fail_undo = false;
  bool Tripped() const { return tripped_; }

  bool Rename(const std::string& from, const std::string& to, bool replace) override {
    return !Trip() && FaultyFileSystem::Rename(from, to, replace);
  }
  bool Move(const std::string& from, const std::string& to) override {
    return !Trip() && FaultyFileSystem::Move(from, to);
  }
  bool Delete(const std::string& path) override { return !Trip() && FaultyFileSystem::Delete(path); }

 private:
  bool Trip() {
    if (!fail_undo || tripped_ || !Fired()) return false;
    tripped_ = true;
    SetLastSystemError(kErrorAccessDenied);
    return true;
  }
  bool tripped_ = false;
};

// One fixture on fresh drives: the reference AVI D:\a\clip.avi with four
// links: one in its folder, one missing and found on C:, one of the same
// name in another folder, one on the destination's drive. The destination
// folder holds a bystander clip.001 and an older clip.avi that the user
// agrees to replace. With backups on, an older clip.avi.bak is there too:
// it may go only once the new reference AVI has its name. A Japanese world
// names its folders and files with CP932 characters whose second byte is
// 0x5C (ソ, 表, 十, 予定), and its destination folder has a dot.
class World {
 public:
  // One drive folder for every world: the reference AVIs record full paths,
  // so only then do two worlds' files compare equal.
  explicit World(const Scenario& s) : s_(s), d_("sweep"), faulty_(d_.fs()) {
    if (s.real) steps_ = std::make_unique<ProgramSteps>(faulty_);
    else steps_ = std::make_unique<test::FakeSteps>(faulty_);
    const std::string a = s.japanese ? "\x83\x5C" : "a", b = s.japanese ? "\x95\x5C" : "b";
    const std::string clip = s.japanese ? "\x97\x5C\x92\xE8" : "clip", dst = s.japanese ? "\x8F\x5C.d" : "dst";
    avi_ = d_.Path('D', a + "\\" + clip + ".avi");
    recorded_ = {d_.Path('D', a + "\\" + clip + ".001"), d_.Path('E', "old\\" + clip + ".002"),
                 d_.Path('D', b + "\\" + clip + ".001"), d_.Path('E', "src\\" + clip + ".003")};
    sources_ = recorded_;
    sources_[1] = d_.Path('C', "x\\" + clip + ".002");
    for (size_t i = 0; i < sources_.size(); ++i)
      if (i != 1) d_.WriteFile(sources_[i], Content(static_cast<int>(i)));
    d_.WriteFile(sources_[1], Content(1));
    original_ = s.real ? RealAvi(recorded_) : test::FakeAvi(recorded_);
    d_.WriteFile(avi_, original_);
    if (s.backup == 1) d_.WriteFile(avi_ + ".bak", "an older backup");
    folder_ = s.own_folder ? d_.Path('D', a) : d_.Path('E', dst);
    if (!s.own_folder) {
      d_.WriteFile(d_.Path('E', dst + "\\" + clip + ".001"), "someone else's clip.001");
      d_.WriteFile(d_.Path('E', dst + "\\" + clip + ".avi"), "an older clip.avi");
    }
    output_ = folder_ + "\\" + clip + ".avi";
    for (char drive : {'C', 'D', 'E'}) Scan(drive, &before_);
    settings_.values["PrefBackupFlag"] = {std::to_string(s.backup), true};
    ui_.locate[recorded_[1]] = sources_[1];
    ui_.folder = folder_;
  }

  SweepFileSystem& faulty() { return faulty_; }
  test::ScriptedUi& ui() { return ui_; }

  int Run() {
    std::vector<std::string> selected = {avi_};
    COperation op(selected, faulty_, settings_, ui_, *steps_);
    if (s_.mode == Fix) op.RunFix();
    else op.RunMoveCopy(s_.mode == Move ? 1 : 0);
    finished_ = op.finished()[0];
    return finished_;
  }

  // Finishes or takes back an interrupted run, as the next run does first,
  // on a disk that works again.
  RecoveryResult Recover() {
    const RecoveryResult r = RecoverThrough(d_.fs());
    if (r == RecoveryResult::kCompleted) finished_ = 1;  // the checker then wants the finished state
    return r;
  }

  // Recovery as above, through the faulty file system with a crash at its
  // call n; a later Recover() must then put things right.
  RecoveryResult RecoverCrashingAt(int n, CrashKind kind) {
    faulty_.Reset();
    faulty_.CrashAt(n, kind);
    return RecoverThrough(faulty_);
  }
  void set_finished(int finished) { finished_ = finished; }

  // Recover(), counting the calls it makes.
  RecoveryResult Recover(int* calls) {
    faulty_.Reset();
    const RecoveryResult r = RecoverThrough(faulty_);
    if (r == RecoveryResult::kCompleted) finished_ = 1;
    *calls = faulty_.TotalCalls();
    return r;
  }

  // The recovery as the program runs it, reading the reference AVI's links
  // through `fs` to check the journal.
  RecoveryResult RecoverThrough(FileSystem& fs) {
    std::unique_ptr<Steps> steps;
    if (s_.real) steps = std::make_unique<ProgramSteps>(fs);
    else steps = std::make_unique<test::FakeSteps>(fs);
    const LinkReader links = [&steps](const std::string& path, std::vector<std::string>* list) {
      return steps->GetContentList(path, list, nullptr) != 0;
    };
    return RecoverInterrupted(fs, avi_, nullptr, links);
  }

  // Every file on the drives by drive and relative path, so that two worlds
  // can be compared.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (char drive : {'C', 'D', 'E'}) {
      std::map<std::string, std::string> one;
      Scan(drive, &one);
      const std::string root = d_.Root(drive);
      for (auto& [path, bytes] : one) files[std::string(1, drive) + ":" + path.substr(root.size())] = std::move(bytes);
    }
    return files;
  }

  // Returns the number of files checked; adds a failure for each loss.
  int Check(const std::string& what, int* losses) {
    int checked = 0;
    auto lose = [&](const std::string& why) {
      ++*losses;
      ADD_FAILURE() << s_.name << " " << what << (finished_ ? " (finished)" : " (not finished)") << ": " << why;
    };
    std::map<std::string, std::string> now;
    for (char drive : {'C', 'D', 'E'}) Scan(drive, &now);
    std::string told;
    for (const std::string& m : ui_.messages) told += m + "\n";
    // A file the program could not put back counts when a message names it.
    auto named = [&](const std::string& path) { return told.find(path) != std::string::npos; };
    const bool same_file = avi_ == output_;
    const std::string bak = avi_ + ".bak", old_bak = Read(before_, bak);

    // Every data file exactly once with its bytes: at its source, or after a
    // finished Move at the destination; a finished Copy adds one copy there.
    for (size_t i = 0; i < sources_.size(); ++i) {
      ++checked;
      const std::string want = Content(static_cast<int>(i));
      std::vector<std::string> places;
      for (const auto& [path, bytes] : now)
        if (bytes == want) places.push_back(path);
      const bool carried = s_.mode != Fix && !InFolder(sources_[i]);
      std::vector<std::string> unexpected;
      bool at_source = false, at_destination = false;
      for (const std::string& path : places) {
        if (path == sources_[i]) at_source = true;
        else if (finished_ && carried && InFolder(path) && before_.count(path) == 0) at_destination = true;
        else unexpected.push_back(path);
      }
      for (const std::string& path : unexpected)
        if (!named(path)) lose("data file " + sources_[i] + " also at " + path + ", untold");
      if (places.empty()) lose("data file " + sources_[i] + " is gone");
      if (finished_ && carried) {
        if (!at_destination) lose("finished, but " + sources_[i] + " is not at the destination");
        if (s_.mode == Move && at_source) lose("finished Move left " + sources_[i] + " at its source");
        if (s_.mode == Copy && !at_source) lose("finished Copy lost the source " + sources_[i]);
      } else if (!at_source && !named(sources_[i])) {
        lose("data file " + sources_[i] + " is not at its source, untold");
      }
    }

    // The reference AVIs after a finished run.
    if (finished_) {
      ++checked;
      const std::string& result = s_.mode == Fix ? avi_ : output_;
      if (!Resolves(now, result, &checked)) lose(result + " does not resolve every link");
      const bool backup_due = s_.mode == Fix ? s_.backup == 1 : same_file || (s_.mode == Move && s_.backup == 1);
      if (backup_due && Read(now, bak) != original_) lose(bak + " does not hold the old reference AVI");
      if (!backup_due && Read(now, bak) != old_bak) lose(bak + " was made or changed with no backup due");
      if (s_.mode == Move && !same_file && now.count(avi_) != 0) lose("finished Move left " + avi_);
      if (s_.mode == Copy && !same_file && Read(now, avi_) != original_) lose("finished Copy changed " + avi_);
    }

    // Every file that was there before is unchanged, unless the finished run
    // was to replace or remove it, or a message names it.
    for (const auto& [path, bytes] : before_) {
      ++checked;
      if (Read(now, path) == bytes || named(path)) continue;
      const bool replaced = finished_ && (path == avi_ || path == output_ || path == bak ||
                                          (s_.mode == Move && IsSource(path)));
      if (!replaced) lose("changed or gone: " + path);
    }
    // Nothing new but the finished run's own files, or what a message names.
    for (const auto& [path, bytes] : now) {
      ++checked;
      const bool temporary = path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0;
      if (temporary && !named(path)) lose("temporary file left: " + path);
      if (before_.count(path) != 0 || named(path)) continue;
      bool ours = finished_ && (path == output_ || path == avi_ || path == bak);
      for (size_t i = 0; !ours && i < sources_.size(); ++i)
        ours = finished_ && InFolder(path) && bytes == Content(static_cast<int>(i));
      if (!ours) lose((finished_ ? "unknown file: " : "new file after a run that did not finish: ") + path);
    }
    return checked;
  }

 private:
  std::string Read(const std::map<std::string, std::string>& files, const std::string& windows) const {
    const auto it = files.find(windows);
    return it == files.end() ? std::string("\x01missing") : it->second;
  }
  bool InFolder(const std::string& path) const { return path.rfind(folder_ + "\\", 0) == 0; }
  bool IsSource(const std::string& path) const {
    for (const std::string& source : sources_)
      if (source == path) return true;
    return false;
  }

  static std::string RealAvi(const std::vector<std::string>& links) {
    test::AviSpec recipe;
    for (const std::string& link : links) {
      recipe.frames.push_back(test::FrameSpec::Ref(link, 8));
      recipe.frames.push_back(test::FrameSpec::Ref(link, 8 + 120008));
    }
    return test::BuildAvi(recipe);
  }

  bool LinksOf(const std::string& bytes, const std::string& avi, std::vector<std::string>* links) const {
    if (!s_.real) return test::ParseFakeAvi(bytes, links);
    ContentListReader reader(d_.fs());
    DataLinkList list;
    const int ok = reader.GetContentList(avi, 1, &list, nullptr);
    *links = list.paths();
    return ok != 0;
  }

  bool Resolves(const std::map<std::string, std::string>& files, const std::string& avi, int* checked) const {
    std::vector<std::string> links;
    const auto it = files.find(avi);
    if (it == files.end() || !LinksOf(it->second, avi, &links) || links.size() != sources_.size()) return false;
    for (size_t i = 0; i < links.size(); ++i) {
      ++*checked;
      if (Read(files, links[i]) != Content(static_cast<int>(i))) return false;
    }
    return true;
  }

  // Every file on the drive, by its Windows path.
  void Scan(char drive, std::map<std::string, std::string>* into) const {
    const stdfs::path root(d_.Native(d_.Root(drive)));
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(root, ec); !ec && it != stdfs::recursive_directory_iterator();
         it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      std::string relative = it->path().lexically_relative(root).generic_string();
#ifndef _WIN32
      // Native names are UTF-8; recorded paths are in the code page.
      std::string recorded;
      if (Utf8ToCodePage(AnsiCodePage(), relative, &recorded)) relative = recorded;
#endif
      for (char& c : relative)
        if (c == '/') c = '\\';
      (*into)[d_.Path(drive, relative)] = d_.ReadFile(d_.Path(drive, relative));
    }
  }

  Scenario s_;
  mutable test::TestDrives d_;
  SweepFileSystem faulty_;
  std::unique_ptr<Steps> steps_;
  test::ScriptedUi ui_;
  MemorySettingsStore settings_;
  std::string avi_, original_, folder_, output_;
  std::vector<std::string> recorded_, sources_;
  std::map<std::string, std::string> before_;
  int finished_ = 0;
};

class OperationSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(OperationSweep, NoDataIsLostWhicheverCallFailsOrWhereverCancelIsPressed) {
  const Scenario s = GetParam();
  const CodePageForTest code_page(s.japanese);
  if (!code_page.usable()) GTEST_SKIP() << "Japanese names need the code page 932";
  // A small copy buffer, so that every file takes several reads and writes.
  SetCopyBufferAllocator([](size_t n) -> void* { return n > 8192 ? nullptr : std::malloc(n); });
  int calls[static_cast<int>(FaultKind::kCount)] = {};
  int reports = 0;
  {
    World clean(s);
    const int finished = clean.Run();
    std::string log;
    for (const std::string& line : clean.ui().log) log += line + "\n";
    ASSERT_EQ(finished, 1) << "the run without faults finishes:\n" << log;
    for (int k = 0; k < static_cast<int>(FaultKind::kCount); ++k) calls[k] = clean.faulty().Calls(static_cast<FaultKind>(k));
    reports = clean.ui().reports;
    int losses = 0;
    clean.Check("clean", &losses);
    ASSERT_EQ(losses, 0) << "the clean run already breaks a rule of the checker";
  }
  Totals t;
  // Each call fails once; the calls that fail for good in real life (a full
  // disk, a file held open, a rename refused) also from there on; and each
  // once with the next rename, move or delete failing too, which is the
  // undo of what the first fault broke.
  enum Variant { kOnce, kSticky, kUndoToo };
  for (const Variant variant : {kOnce, kSticky, kUndoToo}) {
    for (int k = 0; k < static_cast<int>(FaultKind::kCount); ++k) {
      const FaultKind kind = static_cast<FaultKind>(k);
      const bool lasting = kind == FaultKind::kWrite || kind == FaultKind::kRename || kind == FaultKind::kDelete ||
                           kind == FaultKind::kCreate || kind == FaultKind::kClose;
      if (variant == kSticky && !lasting) continue;
      for (int n = 0; n < calls[k]; ++n) {
        World w(s);
        const uint32_t error = kind == FaultKind::kWrite || kind == FaultKind::kClose ? kErrorDiskFull : kErrorAccessDenied;
        w.faulty().FailNth(kind, n, error, variant == kSticky);
        w.faulty().fail_undo = variant == kUndoToo;
        w.Run();
        const std::string label = std::string(FaultKindName(kind)) + " #" + std::to_string(n) +
                                  (variant == kSticky ? " for good" : variant == kUndoToo ? " and in the undo" : "");
        if (variant == kUndoToo && !w.faulty().Tripped()) continue;  // no undo ran: the single fault covers it
        ++t.runs;
        if (variant == kOnce) {
          EXPECT_TRUE(w.faulty().Fired()) << label << ": the run took another path";
          if (w.faulty().Fired()) ++t.faults;
        }
        if (variant == kSticky) ++t.sticky;
        if (variant == kUndoToo) ++t.undo_faults;
        t.files_checked += w.Check(label, &t.losses);
      }
    }
  }
  for (int r = 0; r < reports; ++r) {
    World w(s);
    w.ui().cancel_at_report = r;
    w.Run();
    ++t.runs;
    ++t.cancels;
    t.files_checked += w.Check("cancel at report " + std::to_string(r), &t.losses);
  }
  SetCopyBufferAllocator(nullptr);
  std::printf("sweep %s: runs=%d faults=%d sticky=%d undo faults=%d cancels=%d files checked=%d losses=%d\n",
              s.name, t.runs, t.faults, t.sticky, t.undo_faults, t.cancels, t.files_checked, t.losses);
  EXPECT_EQ(t.losses, 0);
  EXPECT_GT(t.faults, 10);
  EXPECT_GT(t.cancels, 3);
  EXPECT_GT(t.sticky, 5);
  EXPECT_GT(t.undo_faults, 0);
}

using test::Differences;

// Figures of one kind of crash.
struct CrashTotals {
  int runs = 0, crashes = 0, taken_back = 0, completed = 0, checked = 0, losses = 0;
};

// After a crash and the recovery that followed it, the disk must hold
// exactly the original or exactly the finished state.
void CheckEndState(World& w, RecoveryResult r, const std::string& what, const std::map<std::string, std::string>& original,
                   const std::map<std::string, std::string>& finished, const char* name, CrashTotals* t) {
  const std::map<std::string, std::string> now = w.Files();
  t->checked += static_cast<int>(now.size());
  if (now == original) {
    ++t->taken_back;
    EXPECT_NE(r, RecoveryResult::kCompleted) << what << ": told completed, left the original";
    // The power may go after a run has said it finished, before its last
    // flush: the original then comes back whole, which is fine.
    w.set_finished(0);
  } else if (now == finished) {
    ++t->completed;
    EXPECT_NE(r, RecoveryResult::kRolledBack) << what << ": told taken back, left the finished state";
  } else {
    ++t->losses;
    ADD_FAILURE() << name << " " << what << ": neither the original nor the finished state\n"
                  << "against the original:\n" << Differences(now, original) << "against the finished:\n"
                  << Differences(now, finished);
  }
  t->checked += w.Check(what, &t->losses);
}

void PrintTotals(const char* kind, const char* name, const CrashTotals& t) {
  std::printf("crash sweep %s %s: runs=%d crashes=%d taken back=%d completed=%d files checked=%d losses=%d\n", kind,
              name, t.runs, t.crashes, t.taken_back, t.completed, t.checked, t.losses);
}

// The process dies, or the power goes, at every file-system call of a clean
// run in turn: the call and everything after it never reach the disk, and a
// power loss also takes back every write not flushed and every name change
// whose folder was not flushed after it (faulty_fs.h). A power loss also
// comes once after the run has returned. The next run's recovery, on a sound
// disk, must leave exactly the untouched original or exactly the finished
// operation: every data file once, whole, no temporary file and no journal.
//
// The recovery after a power loss then loses power itself at each of its
// calls, before a recovery on a sound disk. That multiplies the runs by the
// recovery's calls, so it follows every kRecoveryStride-th power loss of the
// run only, and every one in the Fix with a backup, whose recovery is short.
constexpr int kRecoveryStride = 16;

// Under Wine each file-system call costs a trip to the wine server, and
// the power losses and their recovery crashes at every call would more
// than triple the time of this sweep there. So under Wine the power goes
// at every second call of the run only (and after it, always), and a
// recovery crashes at every fourth of its calls, starting one further
// from one recovery to the next. Process deaths stay at every call.
struct PowerSampling {
  int run_stride = 1;
  int recovery_stride = 1;
};
PowerSampling PowerSamplingHere() { return test::UnderWine() ? PowerSampling{2, 4} : PowerSampling{}; }

// Every crash of one kind was a crash, and each left the original or the
// finished state, both of them seen.
void ExpectWhole(const CrashTotals& t) {
  EXPECT_EQ(t.losses, 0);
  EXPECT_EQ(t.crashes, t.runs);
  EXPECT_GT(t.taken_back, 0);
  EXPECT_GT(t.completed, 0);
}

TEST_P(OperationSweep, ACrashAtAnyCallIsFinishedOrTakenBackByTheNextRun) {
  const Scenario s = GetParam();
  const CodePageForTest code_page(s.japanese);
  if (!code_page.usable()) GTEST_SKIP() << "Japanese names need the code page 932";
  SetCopyBufferAllocator([](size_t n) -> void* { return n > 8192 ? nullptr : std::malloc(n); });
  std::map<std::string, std::string> original, finished;
  int calls = 0;
  {
    World clean(s);
    original = clean.Files();
    ASSERT_EQ(clean.Run(), 1);
    finished = clean.Files();
    calls = clean.faulty().TotalCalls();
  }
  ASSERT_NE(original, finished);
  const bool every_recovery_crash = std::string(s.name) == "Fix_backup1";
  CrashTotals death, power, recovery;
  const PowerSampling sampling = PowerSamplingHere();
  int recovery_sweeps = 0;
  for (const CrashKind kind : {CrashKind::kProcessDeath, CrashKind::kPowerLoss}) {
    const bool power_loss = kind == CrashKind::kPowerLoss;
    CrashTotals& t = power_loss ? power : death;
    // A power loss at `calls` comes after the run has returned.
    for (int n = 0; n < calls + (power_loss ? 1 : 0); ++n) {
      if (power_loss && n < calls && n % sampling.run_stride != 0) continue;
      World w(s);
      w.faulty().CrashAt(n, kind);
      w.Run();
      if (n == calls) w.faulty().LosePower();
      ++t.runs;
      if (w.faulty().Crashed()) ++t.crashes;
      const std::string what = std::string(power_loss ? "power loss" : "crash") + " at call " + std::to_string(n);
      int recovery_calls = 0;
      const bool sampled = power_loss && (n % kRecoveryStride == 0 || every_recovery_crash);
      CheckEndState(w, sampled ? w.Recover(&recovery_calls) : w.Recover(), what, original, finished, s.name, &t);
      // The same crash again, with the recovery crashing at each of its calls.
      const int first = recovery_calls > 0 ? recovery_sweeps++ % sampling.recovery_stride : 0;
      for (int m = first; m < recovery_calls; m += sampling.recovery_stride) {
        World again(s);
        again.faulty().CrashAt(n, kind);
        again.Run();
        if (n == calls) again.faulty().LosePower();
        again.RecoverCrashingAt(m, kind);
        ++recovery.runs;
        if (again.faulty().Crashed()) ++recovery.crashes;
        const std::string where = what + ", then at recovery call " + std::to_string(m);
        CheckEndState(again, again.Recover(), where, original, finished, s.name, &recovery);
      }
    }
  }
  SetCopyBufferAllocator(nullptr);
  PrintTotals("process death", s.name, death);
  PrintTotals("power loss", s.name, power);
  PrintTotals("recovery crash", s.name, recovery);
  ExpectWhole(death);
  ExpectWhole(power);
  EXPECT_EQ(recovery.losses, 0);
  EXPECT_EQ(recovery.crashes, recovery.runs);
  EXPECT_GT(recovery.runs, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, OperationSweep,
                         ::testing::Values(Scenario{"Fix_backup1", Fix, 1, false}, Scenario{"Fix_backup0", Fix, 0, false},
                                           Scenario{"Copy_backup1", Copy, 1, false},
                                           Scenario{"Copy_own_folder_backup0", Copy, 0, true},
                                           Scenario{"Move_backup1", Move, 1, false},
                                           Scenario{"Move_backup0", Move, 0, false},
                                           Scenario{"Move_own_folder_backup0", Move, 0, true},
                                           Scenario{"Real_Fix_backup1", Fix, 1, false, true},
                                           Scenario{"Real_Copy_backup0", Copy, 0, false, true},
                                           Scenario{"Real_Move_backup0", Move, 0, false, true},
                                           Scenario{"Real_Move_own_folder_backup1", Move, 1, true, true},
                                           Scenario{"Real_Move_japanese_backup1", Move, 1, false, true, true}),
                         [](const ::testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace mendora
