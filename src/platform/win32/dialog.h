#pragma once
// A modal dialog from a resource template, in place of the framework's
// CDialog: the dialog procedure finds its object through DWLP_USER, hands
// the messages the program's dialogs use to virtual handlers, and keeps
// every exception inside the procedure.
#include <windows.h>

#include <string>

namespace mendora::win {

// The module whose resources (templates, strings, icons) the program uses.
HINSTANCE ResourceModule();

// Dialog data exchange: moves member texts into controls (save == false)
// or the controls' texts back into the members (save == true).
class DataExchange {
 public:
  DataExchange(HWND dialog, bool save) : dialog_(dialog), save_(save) {}
  bool saving() const { return save_; }
  // Like DDX_Text; a control that is missing leaves the member unchanged.
  void Text(int control_id, std::string& value);

 private:
  HWND dialog_;
  bool save_;
};

// The innermost modal dialog running on this thread, null when none. A
// dialog or message box opened without a parent is owned by it, so that it
// stays modal to the whole program, as the framework's dialogs are.
HWND CurrentModalWindow();

// Makes `window`, a modal window that is not a Dialog (the system's file
// dialogs), the innermost modal window while the scope lasts, so that the
// dialogs and message boxes opened from it are owned by it.
class ModalWindowScope {
 public:
  explicit ModalWindowScope(HWND window);
  ~ModalWindowScope();
  ModalWindowScope(const ModalWindowScope&) = delete;
  ModalWindowScope& operator=(const ModalWindowScope&) = delete;

 private:
  HWND outer_;
};

// The text of a window or control, in the ANSI code page.
std::string WindowText(HWND window);
std::string ControlText(HWND dialog, int control_id);

class Dialog {
 public:
  explicit Dialog(UINT template_id, HWND parent = nullptr);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally and returns the value given to EndDialog.
  // -1 means the dialog could not run: a missing template, a failure to
  // create it or its controls, or a handler that threw. The reason stays in
  // error() and in the thread's last error.
  INT_PTR DoModal();
  DWORD error() const { return error_; }

  UINT template_id() const { return template_id_; }
  // The window while the dialog is open, null otherwise.
  HWND hwnd() const { return hwnd_; }
  void EndDialog(INT_PTR result);

  // Error code kept when a handler threw (ERROR_UNHANDLED_EXCEPTION).
  static constexpr DWORD kHandlerFailed = 574;

 protected:
  // Moves the bound texts between the members and the controls. False when
  // the dialog is not open.
  bool UpdateData(bool save);
  virtual void DoDataExchange(DataExchange& dx);

  // Handlers. Each returns true when it handled the message; false hands it
  // to the default dialog handling.
  // Fills the controls (UpdateData(false)); true lets the default focus apply.
  virtual bool OnInitDialog();
  // The default ends the dialog with IDOK or IDCANCEL for those two ids.
  virtual bool OnCommand(int id, int notify_code, HWND control);
  virtual bool OnTimer(UINT_PTR timer_id);
  virtual bool OnSysCommand(UINT command, LPARAM lparam);
  virtual bool OnPaint();
  // Messages from WM_APP up, as posted by the workers.
  virtual bool OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // WM_NOTIFY from controls (tree views); *result becomes the message result.
  virtual bool OnNotify(int control_id, NMHDR* header, LRESULT* result);
  // Any other message. *result is returned as the procedure's result for the
  // messages that return it directly (WM_QUERYDRAGICON, WM_CTLCOLOR*), and
  // as DWLP_MSGRESULT for the rest.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
  // Last message the window gets; the handle is still valid.
  virtual void OnDestroy();

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  INT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  UINT template_id_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  HWND outer_modal_ = nullptr;  // CurrentModalWindow() before this one ran
  DWORD error_ = 0;
};

}  // namespace mendora::win
