// Fix, Copy and Move run once for every file-system call of a clean run with
// that call failing, and once for every progress report with a Cancel
// there. After each run nothing may be lost: every data file is whole at its
// source or its destination, the reference AVI is whole under its name or
// its backup name, every reference AVI under its own name resolves its
// links, and no temporary file or partial copy is left.
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

#include "app/Types.h"
#include "operation/Journal.h"
#include "operation/MoveMulti.h"
#include "operation/Operation.h"
#include "operation/ProgramSteps.h"
#include "refavi/GetContentList.h"
#include "refavi/fixtures.h"
#include "operation_fakes.h"
#include "support/faulty_fs.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "platform/wintypes.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

namespace stdfs = std::filesystem;

struct Scenario {
  const char* name;
  int mode;
  int backup;
  bool own_folder;  // Move/Copy into the reference AVI's own folder
  bool real = false;  // real reference AVIs with the program's reader and builder
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Totals {
  int runs = 0;
  int faults = 0;
  int cancels = 0;
  int files_checked = 0;
  int losses = 0;
};

std::string Content(int i) {
  std::string s(18000 + 3000 * i, '\0');
  for (size_t k = 0; k < s.size(); ++k) s[k] = static_cast<char>('a' + (k * (i + 3)) % 23);
  return s;
}

// One fixture on fresh drives: the reference AVI D:\a\clip.avi with four
// links: one in its folder, one missing and found on C:, one of the same
// name in another folder, one on the destination's drive.
class World {
 public:
  explicit World(const Scenario& s) : s_(s), faulty_(d_.fs()) {
    if (s.real) steps_ = std::make_unique<ProgramSteps>(faulty_);
    else steps_ = std::make_unique<test::FakeSteps>(faulty_);
    avi_ = d_.Path('D', "a\\clip.avi");
    recorded_ = {d_.Path('D', "a\\clip.001"), d_.Path('E', "old\\clip.002"), d_.Path('D', "b\\clip.001"),
                 d_.Path('E', "src\\clip.003")};
    sources_ = recorded_;
    sources_[1] = d_.Path('C', "x\\clip.002");
    for (size_t i = 0; i < sources_.size(); ++i)
      if (i != 1) d_.WriteFile(sources_[i], Content(static_cast<int>(i)));
    d_.WriteFile(sources_[1], Content(1));
    original_ = s.real ? RealAvi(recorded_) : test::FakeAvi(recorded_);
    d_.WriteFile(avi_, original_);
    folder_ = s.own_folder ? d_.Path('D', "a") : d_.Path('E', "dst");
    if (!s.own_folder) d_.WriteFile(d_.Path('E', "dst\\clip.001"), "someone else's clip.001");
    output_ = folder_ + "\\clip.avi";
    for (char drive : {'C', 'D', 'E'}) Scan(drive, &before_);
    settings_.values["PrefBackupFlag"] = {std::to_string(s.backup), true};
    ui_.locate[recorded_[1]] = sources_[1];
    ui_.folder = folder_;
  }

  FaultyFileSystem& faulty() { return faulty_; }
  test::ScriptedUi& ui() { return ui_; }

  int Run() {
    std::vector<std::string> selected = {avi_};
    COperation op(selected, faulty_, settings_, ui_, *steps_);
    if (s_.mode == Fix) op.RunFix();
    else op.RunMoveCopy(s_.mode == Move ? 1 : 0);
    return op.finished()[0];
  }

  // Finishes or takes back an interrupted run, as the next run does first,
  // on a disk that works again.
  RecoveryResult Recover() { return RecoverInterrupted(d_.fs(), avi_, nullptr); }

  // Every file on the drives by drive and relative path, so that two worlds
  // can be compared.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (char drive : {'C', 'D', 'E'}) {
      std::map<std::string, std::string> one;
      Scan(drive, &one);
      const std::string root = Native(d_.Root(drive));
      for (auto& [path, bytes] : one) files[std::string(1, drive) + ":" + path.substr(root.size())] = std::move(bytes);
    }
    return files;
  }

  // Returns the number of files checked; adds a failure for each loss.
  int Check(const std::string& what, int* losses) {
    int checked = 0;
    auto lose = [&](const std::string& why) {
      ++*losses;
      ADD_FAILURE() << s_.name << " " << what << ": " << why;
    };
    std::map<std::string, std::string> now;
    for (char drive : {'C', 'D', 'E'}) Scan(drive, &now);

    // Every data file whole at its source or its destination.
    for (size_t i = 0; i < sources_.size(); ++i) {
      ++checked;
      const std::string want = Content(static_cast<int>(i));
      bool found = Read(now, sources_[i]) == want;
      for (const auto& [path, bytes] : now)
        if (!found && path.rfind(Native(folder_), 0) == 0 && bytes == want) found = true;
      if (!found) lose("data file " + sources_[i] + " is gone");
    }
    // The reference AVI under its name or its backup name, or a new one that
    // resolves every link.
    ++checked;
    const bool kept = Read(now, avi_) == original_ || Read(now, avi_ + ".bak") == original_;
    if (!kept && !Resolves(now, avi_, &checked) && !Resolves(now, output_, &checked))
      lose("no working reference AVI is left");
    // Every reference AVI under its own name is the untouched original whose
    // present links still resolve, or a new one whose links all resolve.
    for (const std::string& path : {avi_, output_}) {
      if (now.count(Native(path)) == 0) continue;
      ++checked;
      const std::string bytes = Read(now, path);
      if (bytes == original_) {
        for (size_t i = 0; i < recorded_.size(); ++i)
          if (i != 1 && Read(now, recorded_[i]) != Content(static_cast<int>(i)))
            lose(path + " names " + recorded_[i] + ", which was carried away");
      } else if (!Resolves(now, path, &checked)) {
        lose(path + " is a new reference AVI with a broken link");
      }
    }
    // No temporary file, and nothing new that is not a whole data file or
    // a reference AVI of ours.
    for (const auto& [path, bytes] : now) {
      ++checked;
      if (path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0) lose("left behind: " + path);
      if (before_.count(path) != 0) continue;
      bool known = bytes == original_ || path == Native(output_) || path == Native(avi_);
      for (size_t i = 0; !known && i < sources_.size(); ++i) known = bytes == Content(static_cast<int>(i));
      if (!known) lose("partial or unknown file: " + path);
    }
    return checked;
  }

 private:
  std::string Native(const std::string& windows) const { return stdfs::path(d_.Native(windows)).lexically_normal().string(); }

  std::string Read(const std::map<std::string, std::string>& files, const std::string& windows) const {
    const auto it = files.find(Native(windows));
    return it == files.end() ? std::string("\x01missing") : it->second;
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
    const auto it = files.find(Native(avi));
    if (it == files.end() || !LinksOf(it->second, avi, &links) || links.size() != sources_.size()) return false;
    for (size_t i = 0; i < links.size(); ++i) {
      ++*checked;
      if (Read(files, links[i]) != Content(static_cast<int>(i))) return false;
    }
    return true;
  }

  void Scan(char drive, std::map<std::string, std::string>* into) const {
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(d_.Native(d_.Root(drive)), ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      (*into)[it->path().lexically_normal().string()] = d_.ReadFile(it->path().string());
    }
  }

  Scenario s_;
  mutable test::TestDrives d_;
  FaultyFileSystem faulty_;
  std::unique_ptr<Steps> steps_;
  test::ScriptedUi ui_;
  MemorySettingsStore settings_;
  std::string avi_, original_, folder_, output_;
  std::vector<std::string> recorded_, sources_;
  std::map<std::string, std::string> before_;
};

class OperationSweep : public ::testing::TestWithParam<Scenario> {};

TEST_P(OperationSweep, NoDataIsLostWhicheverCallFailsOrWhereverCancelIsPressed) {
  const Scenario s = GetParam();
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
  }
  Totals t;
  for (int k = 0; k < static_cast<int>(FaultKind::kCount); ++k) {
    for (int n = 0; n < calls[k]; ++n) {
      World w(s);
      const FaultKind kind = static_cast<FaultKind>(k);
      w.faulty().FailNth(kind, n, kind == FaultKind::kWrite ? kErrorDiskFull : kErrorAccessDenied);
      w.Run();
      ++t.runs;
      EXPECT_TRUE(w.faulty().Fired()) << FaultKindName(kind) << " #" << n << ": the run took another path";
      if (w.faulty().Fired()) ++t.faults;
      t.files_checked += w.Check(std::string(FaultKindName(kind)) + " #" + std::to_string(n), &t.losses);
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
  std::printf("sweep %s: runs=%d faults=%d cancels=%d files checked=%d losses=%d\n", s.name, t.runs, t.faults,
              t.cancels, t.files_checked, t.losses);
  EXPECT_EQ(t.losses, 0);
  EXPECT_GT(t.faults, 10);
  EXPECT_GT(t.cancels, 3);
}

// What differs between two states of the drives, for the failure message.
std::string Differences(const std::map<std::string, std::string>& now, const std::map<std::string, std::string>& want) {
  std::string out;
  for (const auto& [path, bytes] : now) {
    const auto it = want.find(path);
    if (it == want.end()) out += "  extra " + path + "\n";
    else if (it->second != bytes) out += "  changed " + path + "\n";
  }
  for (const auto& [path, bytes] : want)
    if (now.count(path) == 0) out += "  missing " + path + "\n";
  return out;
}

// The process dies at every file-system call of a clean run in turn: the
// call and everything after it never reach the disk. The next run's
// recovery, on a sound disk, must leave exactly the untouched original or
// exactly the finished operation: every data file once, whole, no temporary
// file and no journal.
TEST_P(OperationSweep, ACrashAtAnyCallIsFinishedOrTakenBackByTheNextRun) {
  const Scenario s = GetParam();
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
  int runs = 0, crashes = 0, taken_back = 0, completed = 0, checked = 0, losses = 0;
  for (int n = 0; n < calls; ++n) {
    World w(s);
    w.faulty().CrashAt(n);
    w.Run();
    ++runs;
    if (w.faulty().Crashed()) ++crashes;
    const RecoveryResult r = w.Recover();
    const std::map<std::string, std::string> now = w.Files();
    checked += static_cast<int>(now.size());
    const std::string what = "crash at call " + std::to_string(n);
    if (now == original) {
      ++taken_back;
      EXPECT_NE(r, RecoveryResult::kCompleted) << what << ": told completed, left the original";
    } else if (now == finished) {
      ++completed;
      EXPECT_NE(r, RecoveryResult::kRolledBack) << what << ": told taken back, left the finished state";
    } else {
      ++losses;
      ADD_FAILURE() << s.name << " " << what << ": neither the original nor the finished state\n"
                    << "against the original:\n" << Differences(now, original) << "against the finished:\n"
                    << Differences(now, finished);
    }
    checked += w.Check(what, &losses);
  }
  SetCopyBufferAllocator(nullptr);
  std::printf("crash sweep %s: runs=%d crashes=%d taken back=%d completed=%d files checked=%d losses=%d\n", s.name,
              runs, crashes, taken_back, completed, checked, losses);
  EXPECT_EQ(losses, 0);
  EXPECT_EQ(crashes, runs);
  EXPECT_GT(taken_back, 0);
  EXPECT_GT(completed, 0);
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
                                           Scenario{"Real_Move_own_folder_backup1", Move, 1, true, true}),
                         [](const ::testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace mendora
