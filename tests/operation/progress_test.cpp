#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "common/Types.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "refavi/fixtures.h"
#include "support/faulty_fs.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

// Steps that report a script of values and log, in order with the user
// side, when each report returns.
class ScriptSteps : public Steps {
 public:
  std::vector<int> values;
  std::vector<std::string> links = {"C:\\a.001"};
  bool fail_creation = false;
  int content_calls = 0;
  std::mutex* mutex = nullptr;
  std::vector<std::string>* order = nullptr;

  int GetContentList(const std::string&, std::vector<std::string>* out, ProgressReporter* progress) override {
    ++content_calls;
    if (!Play(progress)) {
      out->clear();
      return 0;
    }
    *out = links;
    return 1;
  }
  int CreateAvi(const std::string&, const std::string&, const std::vector<std::string>&,
                const std::vector<std::string>&, const std::vector<std::string>&, int* code,
                ProgressReporter* progress) override {
    const bool ran = Play(progress);
    if (!ran || fail_creation) {
      *code = 'k';  // a failure stored even when cancelled
      return 0;
    }
    return 1;
  }

 private:
  bool Play(ProgressReporter* progress) {
    for (int v : values) {
      if (!progress->Report(v)) return false;
      if (order != nullptr) {
        std::lock_guard<std::mutex> lock(*mutex);
        order->push_back("back " + std::to_string(v));
      }
    }
    return true;
  }
};

TEST(ProgressStep, ReportsAreShownInOrderAtMostOneAheadAndOutOfRangeOnlyReleased) {
  test::TestDrives d;
  ScriptSteps steps;
  std::mutex mutex;
  std::vector<std::string> order;
  steps.mutex = &mutex;
  steps.order = &order;
  steps.values = {5, 101, 40, -1, 90};
  AnalysisInput input{d.Path('C', "x.avi")};
  ProgressStep step(d.fs(), steps, input);
  EXPECT_EQ(step.Caption(), "Progress of Reference AVI File Analysis ");
  ProgressPump pump;
  const int r = pump.Run(step, [&](int v) {
    std::lock_guard<std::mutex> lock(mutex);
    order.push_back("show " + std::to_string(v));
    return true;
  });
  EXPECT_EQ(r, RC_OK);
  EXPECT_EQ(step.links(), steps.links);
  // Every value in range is shown, in order; the final 100 is posted without
  // waiting and may be shown after the end.
  std::vector<std::string> shown;
  std::copy_if(order.begin(), order.end(), std::back_inserter(shown),
               [](const std::string& line) { return line.rfind("show ", 0) == 0; });
  EXPECT_EQ(shown, (std::vector<std::string>{"show 5", "show 40", "show 90", "show 100"}));
  // A report returns at the latest when the one before it was handled: the
  // worker is never more than one report ahead.
  auto at = [&](const std::string& line) { return std::find(order.begin(), order.end(), line) - order.begin(); };
  EXPECT_LT(at("show 5"), at("back 101"));
  EXPECT_LT(at("show 40"), at("back -1"));
}

// With an interval, reports that follow the last one handed over too soon
// are held back; the last held one is shown at the end unless a later value
// was posted (the analysis posts its 100).
TEST(ProgressStep, AnIntervalHoldsBackReportsButNeverTheLastValue) {
  using std::chrono::hours;
  using std::chrono::microseconds;
  test::TestDrives d;
  ScriptSteps steps;
  steps.values = {5, 40, 90};
  AnalysisInput analysis{d.Path('C', "x.avi")};
  CreationInput creation{d.Path('C', "a.avi"), d.Path('C', "a.avi.tmp"), {}, {}, {}};
  const struct {
    bool analyse;
    microseconds interval;
    std::vector<int> shown;
  } cases[] = {
      {true, microseconds(0), {5, 40, 90, 100}},
      {true, hours(1), {5, 100}},
      {false, microseconds(0), {5, 40, 90}},
      {false, hours(1), {5, 90}},
  };
  for (const auto& c : cases) {
    ProgressStep step = c.analyse ? ProgressStep(d.fs(), steps, analysis) : ProgressStep(d.fs(), steps, creation);
    ProgressPump pump;
    pump.set_interval(c.interval);
    std::vector<int> shown;
    EXPECT_EQ(pump.Run(step, [&](int v) {
                shown.push_back(v);
                return true;
              }),
              RC_OK);
    EXPECT_EQ(shown, c.shown) << c.analyse << " " << c.interval.count();
  }
}

TEST(ProgressStep, TheCheckOfAFolderReportsRisingValuesAndEndsWithItsReports) {
  test::TestDrives d;
  ScriptSteps steps;
  test::AviSpec recipe;
  recipe.frames = {test::FrameSpec::Ref(d.Path('D', "a.001"))};
  for (const char* name : {"one.avi", "two.avi", "sub\\three.avi"}) d.WriteFile(d.Path('C', name), test::BuildAvi(recipe));
  CheckInput input{{d.Path('C', "")}};
  ProgressStep step(d.fs(), steps, input);
  EXPECT_EQ(step.Caption(), "Progress of Reference AVI File Check ");
  std::vector<int> shown;
  ProgressPump pump;
  EXPECT_EQ(pump.Run(step, [&](int v) {
              shown.push_back(v);
              return true;
            }),
            RC_OK);
  ASSERT_EQ(step.reports().size(), 3u);
  EXPECT_EQ(step.reports()[2].path, d.Path('C', "sub\\three.avi"));
  EXPECT_EQ(step.reports()[2].status, CheckStatus::kBroken);
  ASSERT_FALSE(shown.empty());
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << testing::PrintToString(shown);
  EXPECT_EQ(shown.back(), 100);

  // A cancel at the first report ends the check as cancelled.
  ProgressStep cancelled(d.fs(), steps, input);
  EXPECT_EQ(pump.Run(cancelled, [](int) { return false; }), RC_CANCELLED);
}

TEST(ProgressStep, CancelWhileTheWorkerWaitsInAReportWinsOverAStoredFailure) {
  test::TestDrives d;
  ScriptSteps steps;
  for (int i = 0; i < 50; ++i) steps.values.push_back(i);
  CreationInput input{d.Path('C', "a.avi"), d.Path('C', "a.avi.tmp"), {}, {}, {}};
  ProgressStep step(d.fs(), steps, input);
  EXPECT_EQ(step.Caption(), "Progress of Reference AVI File Creation ");
  ProgressPump pump;
  int shown = 0;
  const int r = pump.Run(step, [&](int) { return ++shown < 3; });
  EXPECT_EQ(r, RC_CANCELLED);
  EXPECT_EQ(step.running().load(), 0);
  EXPECT_EQ(step.failed(), 1);
  EXPECT_EQ(step.error_code(), 'k');
  EXPECT_EQ(shown, 3);
}

TEST(ProgressStep, FailuresCarryTheirCodes) {
  test::TestDrives d;
  ScriptSteps steps;
  ProgressPump pump;
  steps.fail_creation = true;
  CreationInput creation{d.Path('C', "a.avi"), d.Path('C', "a.avi.tmp"), {}, {}, {}};
  ProgressStep create(d.fs(), steps, creation);
  EXPECT_EQ(pump.Run(create, {}), 'k');

  // A walk that broke off part way is no list to act on.
  struct BrokenWalk : ScriptSteps {
    int GetContentList(const std::string&, std::vector<std::string>* out, ProgressReporter*) override {
      *out = {"C:\\first.001"};
      return 0;
    }
  } broken;
  AnalysisInput partial{d.Path('C', "a.avi")};
  ProgressStep walk(d.fs(), broken, partial);
  EXPECT_EQ(pump.Run(walk, {}), ERR_NO_DATA_FILES);

  steps.links.clear();  // no data links
  AnalysisInput analysis{d.Path('C', "a.avi")};
  ProgressStep analyse(d.fs(), steps, analysis);
  EXPECT_EQ(pump.Run(analyse, {}), ERR_NO_DATA_FILES);

  CarryInput carry{{d.Path('C', "none")}, {d.Path('D', "none")}, 1};
  ProgressStep move(d.fs(), steps, carry);
  EXPECT_EQ(move.Caption(), "Progress of Move Reference AVI File Operation ");
  EXPECT_EQ(pump.Run(move, {}), 258);
  carry.move = 0;
  EXPECT_EQ(move.Caption(), "Progress of Copy Reference AVI File Operation ");
}

// Denied access is seen before the reader runs.
class DeniedFs : public FaultyFileSystem {
 public:
  using FaultyFileSystem::FaultyFileSystem;
  AccessResult Access(const std::string&, bool) override { return AccessResult::kDenied; }
};

TEST(ProgressStep, DeniedReferenceAviFailsWith96WithoutReading) {
  test::TestDrives d;
  DeniedFs fs(d.fs());
  ScriptSteps steps;
  AnalysisInput input{d.Path('C', "a.avi")};
  ProgressStep step(fs, steps, input);
  ProgressPump pump;
  EXPECT_EQ(pump.Run(step, {}), ERR_NO_REFERENCE_AVI);
  EXPECT_EQ(steps.content_calls, 0);
}

// A Cancel that arrives after the worker ended (a posted 100 shown late, a
// click queued behind the end) must leave the result: a finished move that
// read as cancelled would be left undone under the old reference AVI.
TEST(ProgressStep, CancelAfterTheEndLeavesAFinishedCarryFinished) {
  test::TestDrives d;
  d.WriteFile(d.Path('C', "a.001"), "data");
  ScriptSteps steps;
  CarryInput carry{{d.Path('C', "a.001")}, {d.Path('C', "b.001")}, 1};
  ProgressStep step(d.fs(), steps, carry);
  ProgressPump pump;
  EXPECT_EQ(pump.Run(step, {}), RC_OK);
  step.Cancel();
  EXPECT_EQ(step.Result(), RC_OK);
  EXPECT_EQ(d.ReadFile(d.Path('C', "b.001")), "data");
}

TEST(ProgressStep, CancelledAnalysisIsACancelNotAnError) {
  test::TestDrives d;
  ScriptSteps steps;
  steps.values = {10, 20, 30};
  AnalysisInput input{d.Path('C', "a.avi")};
  ProgressStep step(d.fs(), steps, input);
  ProgressPump pump;
  EXPECT_EQ(pump.Run(step, [](int v) { return v < 20; }), RC_CANCELLED);
  EXPECT_TRUE(step.links().empty());
}

}  // namespace
}  // namespace mendora
