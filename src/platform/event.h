#pragma once
// A manual-reset event (as CreateEvent with bManualReset TRUE) and the thread
// helper the workers run on. Portable: mutex and condition variable.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace mendora {

class Event {
 public:
  explicit Event(bool signalled = true) : signalled_(signalled) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  bool IsSet() const;
  // Waits without time limit until the event is signalled.
  void Wait();
  // Waits at most `timeout`; true when the event was signalled.
  bool WaitFor(std::chrono::milliseconds timeout);

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_;
};

// One worker thread. The owner polls HasEnded() (as a dialog's timer does)
// and joins before the object goes away. The thread object stays valid until
// Join, so polling never touches a freed thread.
class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { Join(); }

  // Starts `body`. No exception escapes it: one thrown is swallowed, and the
  // thread ends as if the body had returned.
  void Start(std::function<void()> body);
  bool Started() const { return thread_.joinable(); }
  bool HasEnded() const { return ended_.load(std::memory_order_acquire); }
  void Join();

 private:
  std::thread thread_;
  std::atomic<bool> ended_{false};
};

}  // namespace mendora
