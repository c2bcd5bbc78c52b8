#include "platform/event.h"

#include <deque>
#include <system_error>
#include <thread>

#include "platform/last_error.h"

namespace mendora {

void Event::Set() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = true;
  }
  cv_.notify_all();
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return signalled_;
}

void Event::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return signalled_; });
}

bool Event::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, timeout, [this] { return signalled_; });
}

struct WorkerThread::Task {
  std::function<void()> body;
  std::atomic<bool>* ended;
  std::mutex mutex;
  std::condition_variable cv;
  bool done = false;
};

namespace {

// How many threads wait for a body at most, and for how long.
constexpr int kMaxIdle = 4;
constexpr std::chrono::seconds kLinger{2};

// Counts down to the Start that a test wants to fail.
std::atomic<int> g_fail_start{0};

bool StartMustFail() {
  int n = g_fail_start.load(std::memory_order_relaxed);
  while (n > 0 && !g_fail_start.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) {
  }
  return n == 1;
}

class ThreadPool {
 public:
  // Throws when no thread can be had.
  void Run(std::shared_ptr<WorkerThread::Task> task) {
    if (StartMustFail()) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (idle_ > 0) {
        queue_.push_back(std::move(task));
        --idle_;
        cv_.notify_one();
        return;
      }
    }
    std::thread([this, task = std::move(task)]() mutable { Loop(std::move(task)); }).detach();
  }

 private:
  static void Execute(WorkerThread::Task& task) {
    SetLastSystemError(0);
    {
      std::function<void()> body = std::move(task.body);
      try {
        body();
      } catch (...) {
        // A worker never lets an exception end the process.
      }
    }
    // The owner may go away as soon as it has seen both: nothing of it is
    // touched after.
    task.ended->store(true, std::memory_order_release);
    {
      std::lock_guard<std::mutex> lock(task.mutex);
      task.done = true;
    }
    task.cv.notify_all();
  }

  void Loop(std::shared_ptr<WorkerThread::Task> task) {
    for (;;) {
      Execute(*task);
      task.reset();
      std::unique_lock<std::mutex> lock(mutex_);
      if (idle_ >= kMaxIdle) return;
      ++idle_;
      // A body handed over claimed this thread (Run counted it out of the
      // idle ones); one that waited in vain counts itself out.
      if (!cv_.wait_for(lock, kLinger, [this] { return !queue_.empty(); })) {
        --idle_;
        return;
      }
      task = std::move(queue_.front());
      queue_.pop_front();
    }
  }

  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<WorkerThread::Task>> queue_;
  int idle_ = 0;
};

// Never destroyed: parked threads may still wait on it while the process
// ends.
ThreadPool& Pool() {
  static ThreadPool* pool = new ThreadPool;
  return *pool;
}

}  // namespace

bool WorkerThread::Start(std::function<void()> body) {
  Join();
  ended_.store(false, std::memory_order_release);
  try {
    auto task = std::make_shared<Task>();
    task->body = std::move(body);
    task->ended = &ended_;
    task_ = task;
    Pool().Run(std::move(task));
    return true;
  } catch (...) {
    // No thread could be had: nothing runs, Join has nothing to wait for,
    // and whoever polls for the end sees it at once.
    task_.reset();
    ended_.store(true, std::memory_order_release);
    return false;
  }
}

void WorkerThread::Join() {
  if (!task_) return;
  {
    std::unique_lock<std::mutex> lock(task_->mutex);
    task_->cv.wait(lock, [this] { return task_->done; });
  }
  task_.reset();
}

void WorkerThread::FailStart(int nth) { g_fail_start.store(nth, std::memory_order_relaxed); }

}  // namespace mendora
