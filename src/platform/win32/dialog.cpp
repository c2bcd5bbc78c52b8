#include "platform/win32/dialog.h"

#include <vector>

namespace mendora::win {

HINSTANCE ResourceModule() { return GetModuleHandleA(nullptr); }

namespace {
thread_local HWND t_current_modal = nullptr;
}

HWND CurrentModalWindow() { return t_current_modal; }

ModalWindowScope::ModalWindowScope(HWND window) : outer_(t_current_modal) { t_current_modal = window; }
ModalWindowScope::~ModalWindowScope() { t_current_modal = outer_; }

std::string WindowText(HWND window) {
  if (window == nullptr) return {};
  int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<size_t>(length) + 1);
  int got = GetWindowTextA(window, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

std::string ControlText(HWND dialog, int control_id) {
  return WindowText(GetDlgItem(dialog, control_id));
}

void DataExchange::Text(int control_id, std::string& value) {
  HWND control = GetDlgItem(dialog_, control_id);
  if (control == nullptr) return;
  if (save_) {
    value = WindowText(control);
  } else {
    SetWindowTextA(control, value.c_str());
  }
}

Dialog::Dialog(UINT template_id, HWND parent) : template_id_(template_id), parent_(parent) {}

Dialog::~Dialog() {
  // A dialog object must outlive its window; if it does not, the procedure
  // must not find it any more.
  if (hwnd_ != nullptr) SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
}

INT_PTR Dialog::DoModal() {
  error_ = 0;
  if (hwnd_ != nullptr) {  // already running
    error_ = ERROR_BUSY;
    SetLastError(error_);
    return -1;
  }
  // Checked first so that a missing template is always told apart from a
  // dialog that failed while it was created.
  if (FindResourceA(ResourceModule(), MAKEINTRESOURCEA(template_id_), MAKEINTRESOURCEA(5)) == nullptr) {
    error_ = ERROR_RESOURCE_NAME_NOT_FOUND;
    SetLastError(error_);
    return -1;
  }
  HWND owner = parent_ != nullptr ? parent_ : t_current_modal;
  outer_modal_ = t_current_modal;
  SetLastError(0);
  INT_PTR result = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(template_id_), owner, &Dialog::Procedure,
                                   reinterpret_cast<LPARAM>(this));
  t_current_modal = outer_modal_;
  if (result == -1) {
    if (error_ == 0) error_ = GetLastError();
    if (error_ == 0) error_ = ERROR_INVALID_DATA;  // the system gave no reason
    SetLastError(error_);
  }
  hwnd_ = nullptr;
  return result;
}

void Dialog::EndDialog(INT_PTR result) {
  if (hwnd_ != nullptr) ::EndDialog(hwnd_, result);
}

bool Dialog::UpdateData(bool save) {
  if (hwnd_ == nullptr) return false;
  DataExchange dx(hwnd_, save);
  DoDataExchange(dx);
  return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool Dialog::OnCommand(int id, int notify_code, HWND) {
  if (notify_code != BN_CLICKED) return false;
  if (id == IDOK) {
    UpdateData(true);
    EndDialog(IDOK);
    return true;
  }
  if (id == IDCANCEL) {
    EndDialog(IDCANCEL);
    return true;
  }
  return false;
}

bool Dialog::OnTimer(UINT_PTR) { return false; }
bool Dialog::OnSysCommand(UINT, LPARAM) { return false; }
bool Dialog::OnPaint() { return false; }
bool Dialog::OnAppMessage(UINT, WPARAM, LPARAM) { return false; }
bool Dialog::OnNotify(int, NMHDR*, LRESULT*) { return false; }
bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
void Dialog::OnDestroy() {}

namespace {
// Centres a top-level dialog on its owner, or on the work area when it has
// none (or the owner is hidden or minimized).
void CenterOnOwner(HWND hwnd) {
  RECT window;
  if (!GetWindowRect(hwnd, &window)) return;
  RECT area;
  HWND owner = GetWindow(hwnd, GW_OWNER);
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoA(MonitorFromWindow(owner != nullptr ? owner : hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
    GetWindowRect(owner, &area);
  } else {
    area = monitor.rcWork;
  }
  LONG width = window.right - window.left;
  LONG height = window.bottom - window.top;
  LONG x = area.left + (area.right - area.left - width) / 2;
  LONG y = area.top + (area.bottom - area.top - height) / 2;
  // Keep the whole dialog on the screen.
  const RECT& work = monitor.rcWork;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORMSGBOX:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
      return true;
    default:
      return false;
  }
}
}  // namespace

INT_PTR Dialog::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
    case WM_TIMER:
      return OnTimer(static_cast<UINT_PTR>(wparam));
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wparam), lparam);
    case WM_PAINT:
      return OnPaint();
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (!OnNotify(static_cast<int>(wparam), reinterpret_cast<NMHDR*>(lparam), &result)) return FALSE;
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default:
      break;
  }
  if (message >= WM_APP && message <= 0xBFFF) return OnAppMessage(message, wparam, lparam);
  LRESULT result = 0;
  if (!OnMessage(message, wparam, lparam, &result)) return FALSE;
  if (ReturnsDirectly(message)) return static_cast<INT_PTR>(result);
  SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lparam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
    if (self != nullptr) {
      self->hwnd_ = hwnd;
      t_current_modal = hwnd;
    }
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) and after WM_NCDESTROY get
  // the default handling.
  if (self == nullptr) return FALSE;

  INT_PTR result = FALSE;
  RECT before = {};
  if (message == WM_INITDIALOG) GetWindowRect(hwnd, &before);
  try {
    result = self->Dispatch(message, wparam, lparam);
    // A top-level dialog that its initialisation did not place is centred.
    RECT after = {};
    if (message == WM_INITDIALOG && self->hwnd_ != nullptr && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) == 0 &&
        GetWindowRect(hwnd, &after) && EqualRect(&before, &after)) {
      CenterOnOwner(hwnd);
    }
  } catch (...) {
    // Nothing may unwind through the system's code; the dialog ends with
    // -1 and DoModal reports it.
    self->error_ = kHandlerFailed;
    ::EndDialog(hwnd, -1);
    result = (message == WM_INITDIALOG) ? FALSE : TRUE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    if (t_current_modal == hwnd) t_current_modal = self->outer_modal_;
  }
  return result;
}

}  // namespace mendora::win
