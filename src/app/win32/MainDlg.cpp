#include "app/win32/MainDlg.h"

#include <shellapi.h>

#include "app/win32/DropChoiceDlg.h"

#include "common/Texts.h"
#include "common/win/AboutDlg.h"
#include "common/win/ErrorDlg.h"
#include "common/win/ShellUi.h"
#include "operation/win/AviFileSelectDlg.h"
#include "operation/win/FileOperation.h"
#include "operation/win/CheckReportDlg.h"
#include "resources/resource.h"
#include "search/win/PreferenceDlg.h"

namespace mendora::win {

namespace {
// Posted at start-up when the command line gave files.
constexpr UINT kStartFilesMessage = WM_APP + 1;

// The files of a drop, and the control they landed on (0 when none).
std::vector<std::string> DroppedFiles(HWND dialog, HDROP drop, int* control_id) {
  std::vector<std::string> files;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    const UINT length = DragQueryFileA(drop, i, nullptr, 0);
    std::string name(length + 1, '\0');
    if (DragQueryFileA(drop, i, name.data(), length + 1) == length) {
      name.resize(length);
      files.push_back(name);
    }
  }
  POINT point = {};
  DragQueryPoint(drop, &point);
  HWND child = ChildWindowFromPointEx(dialog, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
  *control_id = child != nullptr && child != dialog ? GetDlgCtrlID(child) : 0;
  DragFinish(drop);
  return files;
}
}  // namespace

CMainDlg::CMainDlg(HWND parent)
    : Dialog(IDD_MAIN, parent),
      check_text_(LoadText(IDS_CHECK_TEXT)),
      copy_text_(LoadText(IDS_COPY_TEXT)),
      export_text_(LoadText(IDS_EXPORT_TEXT)),
      fix_text_(LoadText(IDS_FIX_TEXT)),
      move_text_(LoadText(IDS_MOVE_TEXT)),
      preference_text_(LoadText(IDS_PREFERENCE_TEXT)),
      welcome_text_(LoadText(IDS_WELCOME)) {
  // Icons from resources are shared: the system frees them, we never do.
  icon_ = static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
  small_icon_ = static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                              IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                              GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (small_icon_ == nullptr) small_icon_ = icon_;
}

bool CMainDlg::IsAboutCommand(UINT command) { return (command & 0xFFF0) == IDM_ABOUTBOX; }

void CMainDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_CHECK_TEXT, check_text_);
  dx.Text(IDC_COPY_TEXT, copy_text_);
  dx.Text(IDC_EXPORT_TEXT, export_text_);
  dx.Text(IDC_FIX_TEXT, fix_text_);
  dx.Text(IDC_MOVE_TEXT, move_text_);
  dx.Text(IDC_PREFERENCE_TEXT, preference_text_);
  dx.Text(IDC_WELCOME_TEXT, welcome_text_);
}

bool CMainDlg::OnInitDialog() {
  Dialog::OnInitDialog();

  HMENU system_menu = GetSystemMenu(hwnd(), FALSE);
  if (system_menu != nullptr) {
    std::string about = LoadText(IDS_ABOUTBOX);
    if (!about.empty()) {
      AppendMenuA(system_menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(system_menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
  }

  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  SetWindowTextA(hwnd(), LoadText(IDS_MAIN_CAPTION).c_str());
  DragAcceptFiles(hwnd(), TRUE);
  if (!start_files_.empty()) {
    // The modal loop shows the dialog only once its queue is empty; the
    // question about the files must not come before it.
    ShowWindow(hwnd(), SW_SHOW);
    PostMessageA(hwnd(), kStartFilesMessage, 0, 0);
  }
  return true;
}

bool CMainDlg::OnCommand(int id, int notify_code, HWND control) {
  if (notify_code == BN_CLICKED) {
    switch (id) {
      case IDC_FIX:
        RunOperation(Fix);
        return true;
      case IDC_MOVE:
        RunOperation(Move);
        return true;
      case IDC_COPY:
        RunOperation(Copy);
        return true;
      case IDC_EXPORT:
        RunOperation(Export);
        return true;
      case IDC_PREFERENCE:
        RunPreference();
        return true;
      case IDC_CHECK:
        RunCheck();
        return true;
      default:
        break;
    }
  }
  return Dialog::OnCommand(id, notify_code, control);
}

void CMainDlg::RunOperation(OperationMode mode) {
  CAviFileSelectDlg dialog(mode, TRUE, nullptr, "", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           "Avi Files (*.avi)|*.avi|All Files (*.*)|*.*||", nullptr);
  // The system dialog could not open: not a silent cancel.
  if (dialog.DoModal() == -1) ShowError(0);
}

void CMainDlg::RunDroppedOperation(OperationMode mode, const std::vector<std::string>& files) {
  RunOperationOnFiles(mode, files);
}

INT_PTR CMainDlg::AskDropOperation(const std::vector<std::string>& files) {
  CDropChoiceDlg dialog(files, hwnd());
  return RunModal(dialog);
}

void CMainDlg::HandleDrop(const std::vector<std::string>& files, int control_id) {
  if (files.empty()) return;
  // Anywhere but on an operation's button: ask which one.
  const INT_PTR choice = control_id == IDC_FIX || control_id == IDC_MOVE || control_id == IDC_COPY
                             ? control_id
                             : AskDropOperation(files);
  switch (choice) {
    case IDC_FIX: RunDroppedOperation(Fix, files); break;
    case IDC_MOVE: RunDroppedOperation(Move, files); break;
    case IDC_COPY: RunDroppedOperation(Copy, files); break;
    default: break;
  }
}

bool CMainDlg::OnAppMessage(UINT message, WPARAM, LPARAM) {
  if (message != kStartFilesMessage) return false;
  std::vector<std::string> files;
  files.swap(start_files_);
  HandleDrop(files, 0);
  return true;
}

void CMainDlg::RunPreference() {
  CPreferenceDlg dialog;
  RunModal(dialog);
}

void CMainDlg::RunCheck() { RunArchiveCheck(); }

bool CMainDlg::OnSysCommand(UINT command, LPARAM) {
  if (!IsAboutCommand(command)) return false;
  CAboutDlg about;
  RunModal(about);
  return true;
}

bool CMainDlg::OnPaint() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(hwnd(), &client);
  int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, icon_);
  EndPaint(hwnd(), &paint);
  return true;
}

bool CMainDlg::OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message == WM_DROPFILES) {
    int control_id = 0;
    std::vector<std::string> files = DroppedFiles(hwnd(), reinterpret_cast<HDROP>(wparam), &control_id);
    HandleDrop(files, control_id);
    *result = 0;
    return true;
  }
  if (message != WM_QUERYDRAGICON) return false;
  *result = reinterpret_cast<LRESULT>(icon_);
  return true;
}

}  // namespace mendora::win
