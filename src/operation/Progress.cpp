#include "operation/Progress.h"

#include "common/Texts.h"
#include "common/Types.h"
#include "operation/MoveMulti.h"
#include "operation/Steps.h"
#include "platform/fs.h"
#include "refavi/AnalysisStep.h"

namespace mendora {

static_assert(kAnalysisOk == RC_OK && kAnalysisNoReferenceAvi == ERR_NO_REFERENCE_AVI &&
              kAnalysisNoDataFiles == ERR_NO_DATA_FILES);

ProgressStep::ProgressStep(FileSystem& fs, Steps& steps, const AnalysisInput& input)
    : fs_(fs), steps_(steps), kind_(kStepAnalysis), analysis_(&input) {}
ProgressStep::ProgressStep(FileSystem& fs, Steps& steps, const CreationInput& input)
    : fs_(fs), steps_(steps), kind_(kStepCreation), creation_(&input) {}
ProgressStep::ProgressStep(FileSystem& fs, Steps& steps, const CarryInput& input)
    : fs_(fs), steps_(steps), kind_(kStepCarry), carry_(&input) {}
ProgressStep::ProgressStep(FileSystem& fs, Steps& steps, const CheckInput& input)
    : fs_(fs), steps_(steps), kind_(kStepCheck), check_(&input) {}

std::string ProgressStep::Caption() const {
  unsigned name = IDS_STEP_ANALYSIS;
  if (kind_ == kStepCreation) name = IDS_STEP_CREATION;
  if (kind_ == kStepCarry) name = carry_->move ? IDS_STEP_MOVE : IDS_STEP_COPY;
  if (kind_ == kStepCheck) name = IDS_STEP_CHECK;
  return FormatString1(LoadText(IDS_PROGRESS_CAPTION), LoadText(name));
}

bool ProgressStep::Start(ProgressSink* sink, std::function<void()> on_end) {
  running_.store(1);
  failed_ = 0;
  error_code_ = 0;
  const bool started = thread_.Start([this, sink, on_end = std::move(on_end)] {
    Work(sink);
    // Whatever the step did is its result; a Cancel from here on is too late.
    ProgressReporter(&running_, nullptr).Commit();
    if (on_end) on_end();
  });
  if (!started) {
    failed_ = 1;
    error_code_ = ERR_NO_THREAD;
  }
  return started;
}

void ProgressStep::Work(ProgressSink* sink) {
  ProgressReporter reporter(&running_, sink);
  switch (kind_) {
    case kStepAnalysis: {
      // The rule that accepts or refuses the file is the one mendora-cli
      // runs too; the walk is the steps' own.
      frames_.reset();
      const int code = RunAnalysis(fs_, analysis_->path, &reporter, &links_,
                                   [this](const std::string& path, std::vector<std::string>* links,
                                          ProgressReporter* progress) {
                                     return steps_.AnalyseReference(path, links, &frames_, progress);
                                   });
      if (code != RC_OK) {
        frames_.reset();
        failed_ = 1;
        error_code_ = code;
      }
      return;
    }
    case kStepCreation: {
      int code = 0;
      if (!steps_.CreateAvi(creation_->source, creation_->output, creation_->links, creation_->old_paths,
                            creation_->new_paths, &code, &reporter)) {
        failed_ = 1;
        error_code_ = code;
      }
      return;
    }
    case kStepCarry: {
      int code = 0;
      int index = 0;
      stranded_.clear();
      if (!MoveMultiFiles(fs_, carry_->sources, carry_->targets, carry_->move, &code, &index, &reporter, 1,
                          &stranded_)) {
        failed_ = 1;
        error_code_ = code;
      }
      return;
    }
    case kStepCheck: {
      reports_.clear();
      ArchiveCheck(fs_).Run(check_->paths, &reports_, &reporter);
      return;
    }
  }
}

int ProgressStep::Result() const {
  if (running_.load(std::memory_order_acquire) == kFlagCancelled) return RC_CANCELLED;
  if (failed_) return error_code_;
  return RC_OK;
}

// The worker waits for the report before this one, not for this one: it is
// never more than one report ahead, and a step that reports often (a small
// file's every chunk) does not stop for the other thread at each report.
void ProgressPump::Report(int percent) {
  if (interval_.count() > 0) {
    const auto now = std::chrono::steady_clock::now();
    if (handed_any_ && now - last_handed_ < interval_) {
      held_ = percent;
      holding_ = true;
      return;
    }
    last_handed_ = now;
    handed_any_ = true;
  }
  holding_ = false;
  ack_.Wait();
  ack_.Reset();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back({percent, true});
  }
  cv_.notify_all();
}

void ProgressPump::Post(int percent) {
  holding_ = false;  // this value supersedes any held one
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.push_back({percent, false});
  }
  cv_.notify_all();
}

int ProgressPump::Run(ProgressStep& step, const std::function<bool(int)>& show) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
    finished_ = false;
  }
  ack_.Set();
  handed_any_ = holding_ = false;
  const bool started = step.Start(this, [this] {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (holding_) items_.push_back({held_, false});
      finished_ = true;
    }
    cv_.notify_all();
  });
  if (!started) return step.Result();
  bool cancelled = false;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    cv_.wait(lock, [this] { return !items_.empty() || finished_; });
    if (!items_.empty()) {
      const Item item = items_.front();
      items_.pop_front();
      lock.unlock();
      // After a cancel reports are still acknowledged, but not shown.
      if (!cancelled && item.percent >= 0 && item.percent <= 100 && show && !show(item.percent)) {
        cancelled = true;
        step.Cancel();
      }
      if (item.blocking) ack_.Set();
      lock.lock();
      continue;
    }
    break;  // finished and drained
  }
  lock.unlock();
  step.Join();
  return step.Result();
}

}  // namespace mendora
