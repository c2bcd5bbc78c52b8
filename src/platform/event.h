#pragma once
// A manual-reset event (as CreateEvent with bManualReset TRUE) and the thread
// helper the workers run on. Portable: mutex and condition variable.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

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
// and joins before the object goes away. The object stays valid until Join,
// so polling never touches a freed thread.
//
// The body runs on a thread of a small process-wide pool: a thread whose
// body ended waits a moment for the next one, since handing a parked thread
// its body costs much less than creating and joining a thread, and an
// operation starts a few for every reference AVI. Each body starts with the
// last system error cleared, as on a thread of its own, and its captures are
// destroyed before Join returns.
class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { Join(); }

  // Starts `body`. No exception escapes it: one thrown is swallowed, and the
  // thread ends as if the body had returned. False when no thread could be
  // had: the body is dropped unrun, Started() is false and HasEnded() true,
  // so that an owner polling for the end is not kept waiting.
  [[nodiscard]] bool Start(std::function<void()> body);
  bool Started() const { return task_ != nullptr; }
  bool HasEnded() const { return ended_.load(std::memory_order_acquire); }
  void Join();

  // For tests: the `nth` Start from now (1: the next one, of any worker)
  // gets no thread, as when the system has none left; 0 takes it back.
  static void FailStart(int nth);

  struct Task;

 private:
  std::shared_ptr<Task> task_;
  std::atomic<bool> ended_{false};
};

}  // namespace mendora
