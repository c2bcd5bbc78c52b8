// The search run as a window runs it: the worker's messages announced
// through the notify hook (as a posted WM_APP+1 or WM_APP+2), the window's
// handler taking them out, its timer ticking and its buttons pressed, each
// on the window's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "search/DriveSearch.h"
#include "search_fixture.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;

// A window's message queue: wake-ups from the worker, buttons from the test.
class FakeWindow {
 public:
  void Post(int message) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queue_.push_back(message);
    }
    cv_.notify_one();
  }

  // Runs the search until it has ended: handles wake-ups, presses buttons,
  // ticks every 2 ms. Returns the dialog's result.
  int Run(DriveSearch& dlg) {
    dlg.set_notify([this](SearchMessage::Kind kind) {
      if (kind == SearchMessage::kFoundRecord) ++found_wakeups;
      // A posted message can be lost (a full message queue).
      if (lose_wakeups) return;
      Post(kind == SearchMessage::kFoundRecord ? kFound : kFolder);
    });
    dlg.Begin();
    while (!dlg.ended()) {
      int message = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (cv_.wait_for(lock, 2ms, [this] { return !queue_.empty(); })) {
          message = queue_.front();
          queue_.pop_front();
        }
      }
      if (message == kFound || message == kFolder) {
        dlg.HandlePending();
      } else if (message == IDOK || message == IDCANCEL) {
        ++presses_taken;
        dlg.Press(message);
      } else {
        dlg.Tick();
      }
    }
    return dlg.result();
  }

  static constexpr int kFound = 0x8001;
  static constexpr int kFolder = 0x8002;
  std::atomic<int> found_wakeups{0};
  std::atomic<int> presses_taken{0};  // buttons taken from the queue
  bool lose_wakeups = false;

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<int> queue_;
};

class WindowDrivenSearch : public ::testing::Test {
 protected:
  WindowDrivenSearch() : fs_(drives_) {
    settings_.values[kValueDirectory].data = "C:\\";
    settings_.values[kValueSearchDrives].data = EncodeDriveMask((1u << 2) | (1u << 3));
  }

  void Put(const std::string& path, const std::string& bytes) {
    drives_.WriteFile(drives_.Path(path[0], path.substr(3)), bytes);
  }

  int Run(const std::vector<std::string>& missing, DvProbeFn probe = nullptr) {
    missing_ = missing;
    found_.assign(missing.size(), std::string());
    flags_.assign(missing.size(), 0);
    test::Watchdog watchdog(60, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    DriveSearch dlg("clip.avi", missing_, &found_, static_cast<int>(missing_.size()), &flags_,
                   SearchServices{fs_, settings_, probe ? probe : test::MakeProbe(fs_)}, ui_);
    const int result = window_.Run(dlg);
    all_resolved_ = dlg.all_resolved();
    return result;
  }

  test::TestDrives drives_;
  test::RootedFs fs_;
  MemorySettingsStore settings_;
  test::ScriptUi ui_;
  FakeWindow window_;
  std::vector<std::string> missing_;
  std::vector<std::string> found_;
  std::vector<int> flags_;
  int all_resolved_ = -1;
};

TEST_F(WindowDrivenSearch, OfferArrivesThroughTheWakeUpAndIsAccepted) {
  Put("D:\\clips\\take.001", test::DvBytes());
  ui_.found_answers = {FoundButton::kOk};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(all_resolved_, 1);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
  EXPECT_EQ(window_.found_wakeups.load(), 1);
  // Every folder text came through the handler too.
  EXPECT_FALSE(ui_.folders.empty());
  EXPECT_EQ(ui_.folders.front(), "C:\\");
}

TEST_F(WindowDrivenSearch, TheTimerTakesWhatLostWakeUpsLeftQueued) {
  Put("D:\\clips\\take.001", test::DvBytes());
  ui_.found_answers = {FoundButton::kOk};
  window_.lose_wakeups = true;

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(window_.found_wakeups.load(), 1);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
}

TEST_F(WindowDrivenSearch, CancelAfterTheWorkerThrewEndsTheSearch) {
  Put("D:\\clips\\take.001", test::DvBytes());
  // The probe fails hard: the worker ends by a throw, and the user presses
  // Cancel before the timer has seen the end.
  const int result = Run({"C:\\old\\take.001"}, [this](const std::string&) -> int {
    window_.Post(IDCANCEL);
    throw std::runtime_error("probe");
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(all_resolved_, 0);
}

TEST_F(WindowDrivenSearch, TimerEndsTheWalkWithFileNotFoundAndManualLocation) {
  Put("D:\\elsewhere\\take.001", test::DvBytes());
  ui_.default_found = FoundButton::kNext;
  ui_.locate_answers = {"D:\\elsewhere\\take.001"};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(ui_.events, (std::vector<std::string>{"offer", "message", "locate"}));
  EXPECT_EQ(ui_.messages, std::vector<std::string>{"File Not Found\n"});
  EXPECT_EQ(flags_[0], 1);
}

TEST_F(WindowDrivenSearch, CancelPressedWhileWalkingStopsTheWorker) {
  for (int i = 0; i < 50; ++i) Put("C:\\many\\f" + std::to_string(i) + ".bin", "x");
  // The user presses Cancel while the worker lists its first folder: the
  // press is queued before the worker can end, as a posted message is
  // handled before a later timer tick.
  // The worker waits in that listing until the window has taken the press:
  // a tick the window had already begun could otherwise see a walk of a few
  // files end first on a loaded machine.
  std::atomic<bool> pressed{false};
  fs_.on_call = [&](const char* call, const std::string&) {
    if (std::string(call) != "Find" || pressed.exchange(true)) return;
    window_.Post(IDCANCEL);
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (window_.presses_taken.load() == 0 && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(1ms);
  };

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDCANCEL);
  EXPECT_EQ(all_resolved_, 0);
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_TRUE(ui_.locates.empty());
}

TEST_F(WindowDrivenSearch, ReferencePressedAtOnceLocatesByHand) {
  Put("D:\\clips\\take.001", test::DvBytes());
  window_.Post(IDOK);
  ui_.locate_answers = {"D:\\clips\\take.001"};

  EXPECT_EQ(Run({"C:\\old\\take.001"}), IDOK);
  EXPECT_EQ(found_[0], "D:\\clips\\take.001");
  // A found record from the stopped worker is released without asking.
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace mendora
