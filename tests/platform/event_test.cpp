#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/last_error.h"
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
  ASSERT_TRUE(worker.Start([&] {
    stage = 1;
    event.Wait();
    stage = 2;
  }));
  while (stage.load() != 1) std::this_thread::yield();
  EXPECT_FALSE(worker.HasEnded());
  event.Set();
  worker.Join();
  EXPECT_TRUE(worker.HasEnded());
  EXPECT_EQ(stage.load(), 2);
}

TEST(WorkerThread, AnExceptionEndsTheThreadQuietly) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([] { throw 42; }));
  worker.Join();
  EXPECT_TRUE(worker.HasEnded());
}

TEST(WorkerThread, ManyRunAtOnceAndEachStartsAsOnAThreadOfItsOwn) {
  // Every body leaves an error behind and notes the one it found.
  std::mutex mutex;
  std::set<std::thread::id> threads;
  bool reused = false;
  std::vector<uint32_t> found;
  auto body = [&] {
    const uint32_t error = GetLastSystemError();
    SetLastSystemError(5);
    std::lock_guard<std::mutex> lock(mutex);
    found.push_back(error);
    reused = !threads.insert(std::this_thread::get_id()).second || reused;
  };
  // More bodies at once than threads are kept waiting: none waits for
  // another to end.
  Event release(false);
  std::atomic<int> running{0};
  std::vector<std::unique_ptr<WorkerThread>> workers;
  for (int i = 0; i < 10; ++i) {
    workers.push_back(std::make_unique<WorkerThread>());
    ASSERT_TRUE(workers.back()->Start([&] {
      ++running;
      release.Wait();
      body();
    }));
  }
  while (running.load() != 10) std::this_thread::yield();
  release.Set();
  for (auto& worker : workers) worker->Join();
  // One after another, threads are used again; what a body held is gone
  // when Join returns.
  for (int round = 0; round < 20; ++round) {
    WorkerThread worker;
    auto held = std::make_shared<int>(0);
    ASSERT_TRUE(worker.Start([&body, held] { body(); }));
    worker.Join();
    EXPECT_EQ(held.use_count(), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(reused);
  EXPECT_EQ(found, std::vector<uint32_t>(30, 0));
}

TEST(WorkerThread, AStartThatGetsNoThreadRunsNothingAndHasEndedAtOnce) {
  auto held = std::make_shared<int>(0);
  WorkerThread worker;
  WorkerThread::FailStart(1);
  EXPECT_FALSE(worker.Start([held] { *held = 1; }));
  EXPECT_FALSE(worker.Started());
  EXPECT_TRUE(worker.HasEnded());  // an owner polling for the end goes on
  EXPECT_EQ(held.use_count(), 1);  // the body is gone, unrun
  EXPECT_TRUE(worker.Start([held] { *held = 1; }));  // only that Start failed
  worker.Join();
  EXPECT_EQ(*held, 1);
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
