// The search's thread protocol under stress: a stop at every point of the
// walk must end the worker, never hang, never ask the user after the stop,
// and never race (this file also runs under ThreadSanitizer).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "search/DriveSearch.h"
#include "search/RunMemory.h"
#include "search_fixture.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;
using test::DvBytes;
using test::ScriptUi;
using test::WaveBytes;

class SearchStress : public ::testing::Test {
 protected:
  SearchStress() : fs_(drives_) {
    settings_.values[kValueDirectory].data = "C:\\";
    settings_.values[kValueSearchDrives].data = EncodeDriveMask((1u << 2) | (1u << 3) | (1u << 4));
    Put("C:\\a\\take.001", DvBytes());
    Put("C:\\a\\sub\\x.001", DvBytes());
    Put("C:\\a\\sub\\take.001", WaveBytes());
    Put("C:\\b\\other.bin", "x");
    Put("C:\\b\\deep\\x.001", DvBytes());
    Put("D:\\take.001", DvBytes());
    Put("D:\\d1\\d2\\misc.bin", "x");
    Put("E:\\x.001", DvBytes());
  }

  void Put(const std::string& path, const std::string& bytes) {
    drives_.WriteFile(drives_.Path(path[0], path.substr(3)), bytes);
  }

  struct Outcome {
    int result = 0;
    int all_resolved = 0;
    std::vector<std::string> found_paths;
    std::vector<int> found_flags;
  };

  // One search over the fixed tree. `before` runs on the constructed dialog;
  // `hook` runs at every file-system call of the worker (and the dialog).
  Outcome Run(ScriptUi& ui, const std::function<void(DriveSearch&)>& before,
              const std::function<void(DriveSearch&, const char*)>& hook, const std::string& what) {
    test::Watchdog watchdog(30, what);
    const std::vector<std::string> missing = {"E:\\gone\\take.001", "E:\\gone\\x.001"};
    Outcome out;
    out.found_paths.assign(2, std::string());
    out.found_flags.assign(2, 0);
    std::atomic<DriveSearch*> live{nullptr};
    fs_.on_call = [&](const char* call, const std::string&) {
      if (DriveSearch* dlg = live.load()) hook(*dlg, call);
    };
    DriveSearch dlg("clip.avi", missing, &out.found_paths, 2, &out.found_flags,
                   SearchServices{fs_, settings_, test::MakeProbe(fs_)}, ui);
    dlg.set_timer_period(1ms);
    if (before) before(dlg);
    if (hook) live.store(&dlg);
    out.result = dlg.DoModal();
    live.store(nullptr);
    fs_.on_call = nullptr;
    out.all_resolved = dlg.all_resolved();
    return out;
  }

  // Every accepted path names one of the tree's DV files of the right name.
  static void ExpectConsistent(const Outcome& out, const std::string& what) {
    const std::vector<std::vector<std::string>> allowed = {
        {"C:\\a\\take.001", "D:\\take.001"}, {"C:\\a\\sub\\x.001", "C:\\b\\deep\\x.001", "E:\\x.001"}};
    for (int i = 0; i < 2; ++i) {
      if (out.found_flags[i] == 1) {
        const auto& ok = allowed[i];
        EXPECT_NE(std::find(ok.begin(), ok.end(), out.found_paths[i]), ok.end()) << what << " " << out.found_paths[i];
      } else {
        EXPECT_EQ(out.found_flags[i], 0) << what;
        EXPECT_EQ(out.found_paths[i], "") << what;
      }
    }
    if (out.result == IDOK) {
      EXPECT_EQ(out.found_flags, (std::vector<int>{1, 1})) << what;
      EXPECT_EQ(out.all_resolved, 1) << what;
    }
  }

  // How many file-system calls a search with no stop makes.
  int CountCalls() {
    ScriptUi ui;
    std::atomic<int> calls{0};
    Run(ui, nullptr, [&](DriveSearch&, const char*) { ++calls; }, "count");
    return calls.load();
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
};

TEST_F(SearchStress, CancelAtEveryCallOfTheWalkEndsTheSearch) {
  const int total = CountCalls();
  ASSERT_GT(total, 20);
  std::printf("%d calls\n", total);
  for (int n = 0; n <= total; ++n) {
    const std::string what = "cancel at call " + std::to_string(n);
    ScriptUi ui;  // Next on every offer; manual location cancelled
    std::atomic<int> calls{0};
    const Outcome out = Run(ui, nullptr,
                            [&](DriveSearch& dlg, const char*) {
                              if (calls++ == n) dlg.PostButton(IDCANCEL);
                            },
                            what);
    EXPECT_EQ(out.result, IDCANCEL) << what;
    EXPECT_EQ(out.all_resolved, 0) << what;
    ExpectConsistent(out, what);
  }
}

TEST_F(SearchStress, ReferenceAtEveryCallAsksNothingAfterTheStop) {
  const int total = CountCalls();
  for (int n = 0; n <= total; ++n) {
    const std::string what = "reference at call " + std::to_string(n);
    ScriptUi ui;
    ui.default_found = FoundButton::kOk;
    ui.locate_answers = {"D:\\take.001", "E:\\x.001"};
    std::atomic<int> calls{0};
    const Outcome out = Run(ui, nullptr,
                            [&](DriveSearch& dlg, const char*) {
                              if (calls++ == n) dlg.PostButton(IDOK);
                            },
                            what);
    EXPECT_EQ(out.result, IDOK) << what;
    ExpectConsistent(out, what);
    // Once manual location has begun, the walk offers nothing more.
    const auto first_locate = std::find(ui.events.begin(), ui.events.end(), "locate");
    EXPECT_EQ(std::find(first_locate, ui.events.end(), "offer"), ui.events.end()) << what;
  }
}

TEST_F(SearchStress, StopWhileTheWorkerWaitsForTheReply) {
  // The button is pressed just before the worker posts its record: the stop
  // runs while the worker is about to block or blocked on the reply, and the
  // record that follows is released without asking.
  for (int button : {IDCANCEL, IDOK}) {
    for (int n = 0; n < 4; ++n) {
      const std::string what = std::string(button == IDOK ? "reference" : "cancel") + " before record " +
                               std::to_string(n);
      ScriptUi ui;
      ui.locate_answers = {"D:\\take.001", "E:\\x.001"};
      std::atomic<int> candidates{0};
      const Outcome out = Run(ui, nullptr,
                              [&](DriveSearch& dlg, const char* call) {
                                // The DV check of a candidate opens it; the
                                // record is posted right after.
                                if (std::string(call) == "Open" && candidates++ == n) dlg.PostButton(button);
                              },
                              what);
      EXPECT_LE(ui.offers.size(), static_cast<size_t>(n)) << what;
      EXPECT_EQ(out.result, button == IDOK ? IDOK : IDCANCEL) << what;
      ExpectConsistent(out, what);
    }
  }
}

TEST_F(SearchStress, StopDuringFolderMessages) {
  // A slow user interface lets folder messages pile up; the stop comes while
  // they are being handled and the rest are dropped after the worker ended.
  for (int k = 0; k < 9; ++k) {
    const std::string what = "cancel at folder " + std::to_string(k);
    ScriptUi ui;
    DriveSearch* current = nullptr;
    int folders = 0;
    ui.on_folder = [&](const std::string&) {
      std::this_thread::sleep_for(200us);
      if (folders++ == k && current != nullptr) current->PostButton(IDCANCEL);
    };
    const Outcome out = Run(ui, [&](DriveSearch& dlg) { current = &dlg; }, nullptr, what);
    EXPECT_EQ(out.result, IDCANCEL) << what;
    // Every text shown is intact, shown once, and after its parent folder.
    const std::vector<std::string> walk = {"C:\\",        "C:\\a",  "C:\\a\\sub", "C:\\b",         "C:\\b\\deep",
                                           "D:\\",        "D:\\d1", "D:\\d1\\d2", "E:\\"};
    for (size_t i = 0; i < ui.folders.size(); ++i) {
      const std::string& folder = ui.folders[i];
      EXPECT_NE(std::find(walk.begin(), walk.end(), folder), walk.end()) << what << " " << folder;
      EXPECT_EQ(std::count(ui.folders.begin(), ui.folders.end(), folder), 1) << what << " " << folder;
      const size_t slash = folder.rfind('\\');
      if (folder.size() > 3) {
        const std::string parent = slash == 2 ? folder.substr(0, 3) : folder.substr(0, slash);
        EXPECT_NE(std::find(ui.folders.begin(), ui.folders.begin() + static_cast<long>(i), parent),
                  ui.folders.begin() + static_cast<long>(i))
            << what << " " << folder;
      }
    }
  }
}

TEST_F(SearchStress, CancelOrReferenceInTheFoundDialogAtEveryOffer) {
  for (FoundButton answer : {FoundButton::kCancel, FoundButton::kReference}) {
    for (int k = 0; k < 4; ++k) {
      const std::string what = std::string(answer == FoundButton::kCancel ? "cancel" : "reference") + " at offer " +
                               std::to_string(k);
      ScriptUi ui;
      ui.found_answers.assign(k, FoundButton::kNext);
      ui.found_answers.push_back(answer);
      ui.locate_answers = {"D:\\take.001", "E:\\x.001"};
      const Outcome out = Run(ui, nullptr, nullptr, what);
      ASSERT_EQ(ui.offers.size(), static_cast<size_t>(k + 1)) << what;
      EXPECT_EQ(out.result, answer == FoundButton::kCancel ? IDCANCEL : IDOK) << what;
      EXPECT_EQ(out.all_resolved, answer == FoundButton::kCancel ? 0 : 1) << what;
      ExpectConsistent(out, what);
    }
  }
}

TEST_F(SearchStress, AStopAtEveryCallLeavesTheRunsWalkWhereTheNextSearchGoesOn) {
  // One walk per run: the first search of the run is stopped at any call,
  // the second one starts from what the first recorded and walks on. It
  // offers what a search of its own would, in the same order.
  ScriptUi alone;
  Run(alone, nullptr, nullptr, "alone");
  std::vector<std::string> expected;
  for (const auto& offer : alone.offers) expected.push_back(offer.candidate);
  ASSERT_EQ(expected.size(), 5u);
  const int total = CountCalls();
  for (int n = 0; n <= total; ++n) {
    for (int button : {IDCANCEL, IDOK}) {
      const std::string what = std::string(button == IDOK ? "reference" : "cancel") + " at call " + std::to_string(n);
      RunMemory memory;
      ScriptUi first;
      std::atomic<int> calls{0};
      Run(first, [&](DriveSearch& dlg) { dlg.set_memory(&memory); },
          [&](DriveSearch& dlg, const char*) {
            if (calls++ == n) dlg.PostButton(button);
          },
          what);
      ScriptUi second;
      const Outcome out = Run(second, [&](DriveSearch& dlg) { dlg.set_memory(&memory); }, nullptr, what + ", then");
      std::vector<std::string> offered;
      for (const auto& offer : second.offers) offered.push_back(offer.candidate);
      EXPECT_EQ(offered, expected) << what;
      EXPECT_EQ(out.result, IDCANCEL) << what;
      EXPECT_EQ(memory.walk.state(4), WalkMemory::State::kComplete) << what;
    }
  }
}

TEST_F(SearchStress, DialogDestroyedWithoutDoModalOrAfterItLeavesNoThread) {
  ScriptUi ui;
  std::vector<std::string> missing = {"E:\\gone\\take.001"};
  std::vector<std::string> paths;
  std::vector<int> flags;
  for (int i = 0; i < 20; ++i) {
    test::Watchdog watchdog(30, "construct and destroy");
    DriveSearch dlg("clip.avi", missing, &paths, 1, &flags, SearchServices{fs_, settings_, test::MakeProbe(fs_)}, ui);
  }
  EXPECT_EQ(flags, std::vector<int>{0});
}

}  // namespace
}  // namespace mendora
