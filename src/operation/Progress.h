#pragma once
// One long step of an operation on a worker thread of its own, and the
// user-interface side of the progress hand-shake.
//
// The step (analysis 0, creation 1, carry 2) reports through a ProgressSink
// and reads the running flag between units of work. The user-interface side
// shows each report and acknowledges it, sets the running flag to 0 on
// Cancel, and waits for the worker to end while still acknowledging, so a
// worker blocked in a report always gets to see the cancel.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/ErrorTable.h"
#include "platform/event.h"
#include "platform/progress.h"
#include "refavi/ArchiveCheck.h"
#include "refavi/ContentCheck.h"

namespace mendora {

class FileSystem;
class Steps;

// The analysis step fails with ERR_NO_REFERENCE_AVI (96) when the reference
// AVI denies access and with ERR_NO_DATA_FILES (97) when it yields no list.
enum StepKind { kStepAnalysis = 0, kStepCreation = 1, kStepCarry = 2, kStepCheck = 3 };

struct AnalysisInput {
  std::string path;
};

struct CreationInput {
  std::string source;
  std::string output;  // the temporary path
  std::vector<std::string> links;  // the source's, as its analysis found them
  std::vector<std::string> old_paths;
  std::vector<std::string> new_paths;
};

struct CarryInput {
  std::vector<std::string> sources;
  std::vector<std::string> targets;
  int move = 0;
};

// The archive check of files and folders (not a step of an operation; it
// runs under the same progress dialog).
struct CheckInput {
  std::vector<std::string> paths;
};

class ProgressStep {
 public:
  ProgressStep(FileSystem& fs, Steps& steps, const AnalysisInput& input);
  ProgressStep(FileSystem& fs, Steps& steps, const CreationInput& input);
  ProgressStep(FileSystem& fs, Steps& steps, const CarryInput& input);
  ProgressStep(FileSystem& fs, Steps& steps, const CheckInput& input);
  ~ProgressStep() { Join(); }
  ProgressStep(const ProgressStep&) = delete;
  ProgressStep& operator=(const ProgressStep&) = delete;

  int kind() const { return kind_; }
  // "Progress of %1 " with the step's name.
  std::string Caption() const;

  // Starts the worker; it reports to `sink` (may be null) and calls
  // `on_end` (may be empty) as its last act. False when no thread could be
  // had: the step has then failed with ERR_NO_THREAD and already ended, and
  // `on_end` is never called.
  [[nodiscard]] bool Start(ProgressSink* sink, std::function<void()> on_end = {});
  bool HasEnded() const { return thread_.HasEnded(); }
  void Join() { thread_.Join(); }

  std::atomic<int>& running() { return running_; }
  // Takes effect only while the step is still running: a Cancel that comes
  // after the step committed to its end must not turn a finished step
  // (a carry that is complete) into a cancelled one.
  void Cancel() {
    int expected = kFlagRunning;
    running_.compare_exchange_strong(expected, kFlagCancelled, std::memory_order_acq_rel);
  }

  // Read after the worker has ended.
  int failed() const { return failed_; }
  int error_code() const { return error_code_; }
  std::vector<std::string>& links() { return links_; }
  // Analysis: what the reference takes from each of links(), from the same
  // walk; null when the steps do not tell it or the analysis failed.
  const std::shared_ptr<const ReferenceFrames>& frames() const { return frames_; }
  // Check: the report of each file checked.
  std::vector<FileCheck>& reports() { return reports_; }
  // Carry: pairs of where a file the undo could not put back is, and where
  // it belongs.
  const std::vector<std::string>& stranded() const { return stranded_; }

  // RC_CANCELLED when the step was cancelled before it committed to its end
  // (even when a code was stored), the error code when it failed, else RC_OK.
  int Result() const;

 private:
  void Work(ProgressSink* sink);

  FileSystem& fs_;
  Steps& steps_;
  int kind_;
  const AnalysisInput* analysis_ = nullptr;
  const CreationInput* creation_ = nullptr;
  const CarryInput* carry_ = nullptr;
  const CheckInput* check_ = nullptr;
  std::atomic<int> running_{1};
  int failed_ = 0;
  int error_code_ = 0;
  std::vector<std::string> links_;
  std::shared_ptr<const ReferenceFrames> frames_;
  std::vector<std::string> stranded_;
  std::vector<FileCheck> reports_;
  WorkerThread thread_;
};

// The portable stand-in for the progress dialog: runs a step to its end on
// the calling thread's behalf, hands every report in 0..100 to `show`, and
// cancels the step when `show` returns false.
class ProgressPump : public ProgressSink {
 public:
  // Returns the step's Result().
  int Run(ProgressStep& step, const std::function<bool(int percent)>& show);

  // With an interval, a report that comes sooner than that after the last
  // one handed over is held back instead of waking the other thread; the
  // last one held is handed over when the step ends, unless a later value
  // was posted. A bar drawn for the eye loses nothing; a step over a small
  // file, which reports at every chunk, no longer waits at each. 0 (the
  // default) hands every report over.
  void set_interval(std::chrono::microseconds interval) { interval_ = interval; }

  void Report(int percent) override;
  void Post(int percent) override;

 private:
  struct Item {
    int percent;
    bool blocking;
  };
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Item> items_;
  bool finished_ = false;
  Event ack_{true};
  std::chrono::microseconds interval_{0};
  // The worker's side of the interval, touched by the worker thread only.
  std::chrono::steady_clock::time_point last_handed_{};
  bool handed_any_ = false;
  bool holding_ = false;
  int held_ = 0;
};

}  // namespace mendora
