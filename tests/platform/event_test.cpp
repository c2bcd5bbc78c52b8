#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "platform/event.h"
#include "platform/progress.h"

namespace mendora {
namespace {

using namespace std::chrono_literals;

TEST(Event, IsManualReset) {
  Event event(false);
  EXPECT_FALSE(event.WaitFor(1ms));
  event.Set();
  EXPECT_TRUE(event.WaitFor(1ms));
  EXPECT_TRUE(event.WaitFor(1ms));  // stays set until reset
  event.Reset();
  EXPECT_FALSE(event.IsSet());
}

TEST(Event, ReleasesAWaitingWorker) {
  Event event(false);
  std::atomic<int> stage{0};
  WorkerThread worker;
  worker.Start([&] {
    stage = 1;
    event.Wait();
    stage = 2;
  });
  while (stage.load() != 1) std::this_thread::yield();
  EXPECT_FALSE(worker.HasEnded());
  event.Set();
  worker.Join();
  EXPECT_TRUE(worker.HasEnded());
  EXPECT_EQ(stage.load(), 2);
}

TEST(WorkerThread, AnExceptionEndsTheThreadQuietly) {
  WorkerThread worker;
  worker.Start([] { throw 42; });
  worker.Join();
  EXPECT_TRUE(worker.HasEnded());
}

// A sink that records what the user-interface side was shown.
struct RecordingSink : ProgressSink {
  std::vector<int> reports, posts;
  void Report(int percent) override { reports.push_back(percent); }
  void Post(int percent) override { posts.push_back(percent); }
};

TEST(ProgressReporter, SkipsRepeatsButReadsTheFlagEveryTime) {
  std::atomic<int> running{1};
  RecordingSink sink;
  ProgressReporter reporter(&running, &sink);
  EXPECT_TRUE(reporter.Report(0));
  EXPECT_TRUE(reporter.Report(0));
  EXPECT_TRUE(reporter.Report(5));
  running = 0;
  EXPECT_FALSE(reporter.Report(5));
  EXPECT_FALSE(reporter.Report(6));  // nothing posted after a cancel
  reporter.Post(100);
  EXPECT_EQ(sink.reports, (std::vector<int>{0, 5}));
  EXPECT_TRUE(sink.posts.empty());

  ProgressReporter silent(nullptr, nullptr);  // no dialog: always running, nothing reported
  EXPECT_TRUE(silent.Report(50));
}

}  // namespace
}  // namespace mendora
