#include "operation/win/ProgressDlg.h"

#include <commctrl.h>

#include <atomic>

#include "operation/Progress.h"
#include "resources/resource.h"

namespace mendora::win {

namespace {
std::atomic<int> g_report_delay{0};
}  // namespace

void SetProgressReportDelay(int milliseconds) { g_report_delay.store(milliseconds); }

CProgressDlg::CProgressDlg(ProgressStep& step, int position, HWND parent)
    : Dialog(IDD_PROGRESS, parent), step_(step), position_(position) {}

CProgressDlg::~CProgressDlg() {
  WaitForWorker();
  if (progress_event_ != nullptr) CloseHandle(progress_event_);
}

INT_PTR CProgressDlg::Run() {
  INT_PTR result = DoModal();
  // A dialog that failed after its worker started must not leave the worker
  // blocked in a report.
  if (started_ && !step_.HasEnded()) {
    step_.Cancel();
    WaitForWorker();
  }
  return result;
}

bool CProgressDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), step_.Caption().c_str());
  HWND bar = GetDlgItem(hwnd(), IDC_PROGRESS_BAR);
  SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageA(bar, PBM_SETPOS, 0, 0);

  progress_event_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  if (progress_event_ == nullptr) {
    EndDialog(-1);
    return true;
  }
  window_ = hwnd();
  started_ = true;
  if (!step_.Start(this)) {
    // The step has failed with its own code, which the caller reports.
    EndDialog(IDCANCEL);
    return true;
  }
  SetTimer(hwnd(), kProgressTimer, 50, nullptr);
  return true;
}

bool CProgressDlg::OnCommand(int id, int notify_code, HWND control) {
  // The Cancel button and the Escape key.
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  // Enter must not end the dialog behind the worker's back.
  if (id == IDOK) return true;
  return Dialog::OnCommand(id, notify_code, control);
}

bool CProgressDlg::OnTimer(UINT_PTR timer_id) {
  if (timer_id != kProgressTimer) return false;
  if (step_.HasEnded()) {
    KillTimer(hwnd(), kProgressTimer);
    step_.Join();
    EndDialog(IDCANCEL);
  }
  return false;  // the default handling too
}

bool CProgressDlg::OnAppMessage(UINT message, WPARAM, LPARAM lparam) {
  if (message != WM_PROGRESS_REPORT) return false;
  if (step_.HasEnded()) return true;
  const int percent = *reinterpret_cast<const int*>(lparam);
  if (percent >= 0 && percent <= 100) {
    position_ = percent;
    SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    UpdateData(false);
  }
  SetEvent(progress_event_);
  return true;
}

void CProgressDlg::OnCancel() {
  step_.Cancel();
  KillTimer(hwnd(), kProgressTimer);
  WaitForWorker();
  EndDialog(IDCANCEL);
}

void CProgressDlg::WaitForWorker() {
  if (!started_) return;
  // The worker resets the event before it posts: keep setting it until the
  // worker has seen the running flag and ended.
  while (!step_.HasEnded()) {
    if (progress_event_ != nullptr) SetEvent(progress_event_);
    Sleep(2);
  }
  step_.Join();
}

void CProgressDlg::Report(int percent) {
  if (const int delay = g_report_delay.load(); delay > 0) Sleep(static_cast<DWORD>(delay));
  ResetEvent(progress_event_);
  report_value_ = percent;
  if (!PostMessageA(window_, WM_PROGRESS_REPORT, 0, reinterpret_cast<LPARAM>(&report_value_))) return;
  WaitForSingleObject(progress_event_, INFINITE);
}

void CProgressDlg::Post(int percent) {
  post_value_ = percent;
  PostMessageA(window_, WM_PROGRESS_REPORT, 0, reinterpret_cast<LPARAM>(&post_value_));
}

}  // namespace mendora::win
