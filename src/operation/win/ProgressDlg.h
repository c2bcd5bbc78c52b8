#pragma once
// The progress dialog: runs one step of an operation on its worker thread
// under a percentage bar and a Cancel button. The worker posts each
// percentage as WM_APP+0x10 and waits until the dialog has shown it; a
// timer (16, every 50 ms) ends the dialog when the worker has ended. Cancel
// clears the running flag and keeps acknowledging reports until the worker
// has wound down, so a worker blocked in a report always sees the cancel.
#include <windows.h>

#include "platform/progress.h"
#include "platform/win32/dialog.h"

namespace mendora {
class ProgressStep;
}  // namespace mendora

namespace mendora::win {

constexpr UINT WM_PROGRESS_REPORT = WM_APP + 0x10;
constexpr UINT_PTR kProgressTimer = 16;

class CProgressDlg : public Dialog, private ProgressSink {
 public:
  // `step` belongs to the caller and outlives the dialog.
  explicit CProgressDlg(ProgressStep& step, int position = 0, HWND parent = nullptr);
  ~CProgressDlg() override;

  // Runs the step to its end (or to a cancel) and returns IDCANCEL, as the
  // dialog always ends; -1 when the dialog could not run. The outcome is
  // the step's Result().
  INT_PTR Run();

  int position() const { return position_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;
  bool OnTimer(UINT_PTR timer_id) override;
  bool OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // Worker side of the hand-shake.
  void Report(int percent) override;
  void Post(int percent) override;

  void OnCancel();
  // Until the worker has ended, keeps releasing it from any report.
  void WaitForWorker();

  ProgressStep& step_;
  HANDLE progress_event_ = nullptr;
  HWND window_ = nullptr;  // for the worker: set before it starts
  bool started_ = false;
  int position_ = 0;
  // The reported values live here, not on the worker's stack, so that the
  // last one, posted without waiting, is still readable when it arrives.
  int report_value_ = 0;
  int post_value_ = 0;
};

// A pause before every report of a step, so that a GUI test driving the
// program from outside can press Cancel while a small step is still
// running. Only the GUI test build sets it.
void SetProgressReportDelay(int milliseconds);

}  // namespace mendora::win
