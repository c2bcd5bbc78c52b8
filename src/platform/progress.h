#pragma once
// The worker's side of the progress hand-shake. A long step (analysis,
// creation, carry) reports a percentage through a ProgressSink and reads the
// running flag, which the user-interface side sets to 0 on Cancel.
#include <atomic>

namespace mendora {

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // Hand the percentage to the user-interface side. Blocks until it, or at
  // least the report before it, has been acknowledged, so the worker is never
  // more than one report ahead and sees a Cancel at its next report.
  virtual void Report(int percent) = 0;
  // Hand over a last value without waiting for the acknowledgement.
  virtual void Post(int percent) = 0;
};

// What a step gets from its progress dialog: the running flag (1 while
// running, 0 after Cancel, 2 once the step has committed to finishing) and,
// optionally, somewhere to report to.
constexpr int kFlagRunning = 1;
constexpr int kFlagCancelled = 0;
constexpr int kFlagCommitted = 2;
class ProgressReporter {
 public:
  ProgressReporter(std::atomic<int>* running, ProgressSink* sink)
      : running_(running != nullptr ? running : &own_running_), sink_(sink) {}

  bool Running() const { return running_->load(std::memory_order_acquire) != 0; }

  // Reports when running and the value differs from the last one posted
  // (the bar would show the same value). The running flag is read at every
  // call, so a cancel is seen exactly as often whether or not a report is
  // posted. Returns the running state.
  bool Report(int percent) {
    if (!Running()) return false;
    if (sink_ != nullptr && percent != last_posted_) {
      last_posted_ = percent;
      sink_->Report(percent);
    }
    return Running();
  }

  // Posts without waiting, when running and a sink is given.
  void Post(int percent) {
    if (Running() && sink_ != nullptr) {
      last_posted_ = percent;
      sink_->Post(percent);
    }
  }

  // Claims the end of the step: after it succeeds a Cancel no longer takes
  // effect, so work that is done stays done. False when a Cancel came first.
  bool Commit() {
    int expected = kFlagRunning;
    return running_->compare_exchange_strong(expected, kFlagCommitted, std::memory_order_acq_rel) ||
           expected == kFlagCommitted;
  }

  std::atomic<int>* running_flag() const { return running_; }
  ProgressSink* sink() const { return sink_; }

 private:
  std::atomic<int> own_running_{1};
  std::atomic<int>* running_;
  ProgressSink* sink_;
  int last_posted_ = -1000;
};

}  // namespace mendora
