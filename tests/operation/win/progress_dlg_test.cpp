// The progress dialog with a real window and a scripted step: the bar, the
// end at the timer, and Cancel while the worker waits in a report.
#include "operation/win/ProgressDlg.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>

#include <gtest/gtest.h>

#include "common/Types.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "platform/fs.h"
#include "win32/display.h"

namespace mendora::win {
namespace {

// A creation step whose work is the test's function.
class ScriptedSteps : public Steps {
 public:
  std::function<int(ProgressReporter*, int*)> create;

  int GetContentList(const std::string&, std::vector<std::string>*, ProgressReporter*) override { return 0; }
  int CreateAvi(const std::string&, const std::string&, const std::vector<std::string>&,
                const std::vector<std::string>&, const std::vector<std::string>&, int* code,
                ProgressReporter* progress) override {
    return create(progress, code);
  }
};

// Remembers the window and its caption for the step and the test.
class WatchedProgressDlg : public CProgressDlg {
 public:
  using CProgressDlg::CProgressDlg;
  std::atomic<HWND> window{nullptr};
  std::string caption;
  std::chrono::steady_clock::time_point opened;

 protected:
  bool OnInitDialog() override {
    CProgressDlg::OnInitDialog();
    caption = WindowText(hwnd());
    opened = std::chrono::steady_clock::now();
    window.store(hwnd());
    return true;
  }
  bool OnTimer(UINT_PTR id) override {
    if (!ticked) ticked = std::chrono::steady_clock::now();
    ++ticks;
    // The user's click lands after the worker ended, just ahead of the tick
    // that would close the dialog.
    if (cancel_after_end != nullptr && cancel_after_end->HasEnded()) {
      cancel_after_end = nullptr;
      SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      return true;
    }
    return CProgressDlg::OnTimer(id);
  }

 public:
  ProgressStep* cancel_after_end = nullptr;
  std::optional<std::chrono::steady_clock::time_point> ticked;
  int ticks = 0;
};

class ProgressDlgTest : public ::testing::Test {
 protected:
  // Runs the step under the dialog; the result of the step afterwards.
  int Run() {
    ProgressStep step(SystemFileSystem(), steps_, input_);
    WatchedProgressDlg dialog(step);
    if (cancel_after_end_) dialog.cancel_after_end = &step;
    dialog_ = &dialog;
    result_ = dialog.Run();
    if (dialog.ticked) first_tick_ = *dialog.ticked - dialog.opened;
    ticks_ = dialog.ticks;
    position_ = dialog.position();
    caption_ = dialog.caption;
    dialog_ = nullptr;
    EXPECT_TRUE(step.HasEnded());
    return step.Result();
  }

  // From the worker: presses Cancel as the user would.
  void PressCancel() {
    HWND window = nullptr;
    while ((window = dialog_->window.load()) == nullptr) Sleep(1);
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

  ScriptedSteps steps_;
  CreationInput input_{"D:\\a.avi", "D:\\a.avi.tmp", {}, {}, {}};
  WatchedProgressDlg* dialog_ = nullptr;
  INT_PTR result_ = 0;
  int position_ = -1;
  std::string caption_;
  std::chrono::steady_clock::duration first_tick_{};
  int ticks_ = 0;
  bool cancel_after_end_ = false;
};

TEST_F(ProgressDlgTest, StepThatEndsAtOnceClosesAtTheFirstTicks) {
  MENDORA_REQUIRE_DISPLAY();
  steps_.create = [](ProgressReporter*, int*) { return 1; };
  EXPECT_EQ(Run(), RC_OK);
  EXPECT_EQ(result_, IDCANCEL);
  EXPECT_EQ(caption_, "Progress of Reference AVI File Creation ");
  // The first tick of the 50 ms timer sees the worker's end and closes the
  // dialog.
  EXPECT_EQ(ticks_, 1);
  EXPECT_LT(first_tick_, std::chrono::milliseconds(1500));
}

TEST_F(ProgressDlgTest, ReportsOutsideTheRangeLeaveTheBarButReleaseTheWorker) {
  MENDORA_REQUIRE_DISPLAY();
  steps_.create = [](ProgressReporter* progress, int*) {
    progress->Report(40);
    progress->Report(101);
    progress->Report(-1);
    return 1;
  };
  EXPECT_EQ(Run(), RC_OK);
  EXPECT_EQ(position_, 40);
}

TEST_F(ProgressDlgTest, FailedStepKeepsItsCode) {
  MENDORA_REQUIRE_DISPLAY();
  steps_.create = [](ProgressReporter* progress, int* code) {
    progress->Report(10);
    *code = 465;
    return 0;
  };
  EXPECT_EQ(Run(), 465);
}

TEST_F(ProgressDlgTest, CancelReachesAWorkerWaitingInAReport) {
  MENDORA_REQUIRE_DISPLAY();
  std::atomic<int> reports_after_cancel{0};
  steps_.create = [&](ProgressReporter* progress, int* code) {
    for (int i = 0; i < 5; ++i) progress->Report(i);
    PressCancel();
    // From here the worker waits in every report until the dialog lets it
    // go; it must see the cancel and end.
    for (int i = 5; progress->Report(i % 100); ++i) ++reports_after_cancel;
    *code = 262;
    return 0;
  };
  EXPECT_EQ(Run(), RC_CANCELLED);
  EXPECT_LT(reports_after_cancel.load(), 1000);
}

// A Cancel that comes after the worker ended must not change the step's
// result: a finished carry read as cancelled is never undone, and the
// reference AVI would go on naming the old places.
TEST_F(ProgressDlgTest, CancelAfterTheWorkerEndedLeavesItsResult) {
  MENDORA_REQUIRE_DISPLAY();
  steps_.create = [&](ProgressReporter* progress, int*) { return progress->Report(50) ? 1 : 0; };
  cancel_after_end_ = true;
  EXPECT_EQ(Run(), RC_OK);
  EXPECT_EQ(result_, IDCANCEL);
}

}  // namespace
}  // namespace mendora::win
