// mendora-guidrv: drives the dialogs of a running program for the GUI tests.
//
//   wait CAPTION [MS]        waits until a visible top-level window has exactly this caption
//   gone CAPTION [MS]        waits until no window (shown or hidden) has this caption
//   text CAPTION ID          prints the text of control ID (0: the caption) in UTF-8
//   click CAPTION ID         clicks button ID (BM_CLICK, posted)
//   command CAPTION ID       posts WM_COMMAND for ID as a click would
//   syscmd CAPTION CMD [LP]  posts the system command CMD (decimal or 0x hex), lParam LP
//   key CAPTION VK           presses and releases virtual key VK on the focused control
//   type CAPTION ID TEXT     replaces the text of edit control ID
//   rect CAPTION             prints "x y width height" of the window on the screen
//   sysmenu CAPTION          prints the items of the window's system menu, one a line
//   style CAPTION ID         prints the style bits of control ID in hex
//   tree CAPTION ID          prints the check state (0 none, 1 clear, 2 checked) of each root item of tree ID
//   treecheck CAPTION ID N   selects root item N (from 0) of tree ID and toggles its check box (space key)
//   check CAPTION ID         prints the check state of button ID (0 clear, 1 checked)
//   move CAPTION X Y         moves the window to screen position X, Y
//   select CAPTION ID N      selects entry N of combo box ID as the user would (CBN_SELCHANGE)
//   list CAPTION ID          prints the rows of list view ID, cells joined by " | ", one row a line
//   listdbl CAPTION ID N     double-clicks row N (from 0) of list view ID with the mouse
//
// A control ID is looked up among the window's children first, then among
// all its descendants (the controls of a child template inside the system's
// file dialogs).
//
// Exit status 0 on success, 1 when the window or control is not there.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include <commctrl.h>

namespace {

void Print(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
  bytes += '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Fail(const wchar_t* what, const std::wstring& detail) {
  std::wstring line = std::wstring(L"guidrv: ") + what + L": " + detail + L"\n";
  int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), n, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), bytes.c_str(), static_cast<DWORD>(n - 1), &written, nullptr);
  return 1;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[4096];
  LRESULT n = 0;
  // WM_GETTEXT through SendMessageTimeout, so a hung program fails the test
  // instead of hanging it.
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                           reinterpret_cast<PDWORD_PTR>(&n)))
    return L"";
  return std::wstring(buffer, static_cast<size_t>(n));
}

struct Search {
  const wchar_t* caption;
  bool visible_only;
  HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  if (search->visible_only && !IsWindowVisible(window)) return TRUE;
  wchar_t buffer[1024];
  int n = GetWindowTextW(window, buffer, 1024);
  if (n >= 0 && std::wcscmp(buffer, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindByCaption(const wchar_t* caption, bool visible_only = true) {
  Search search{caption, visible_only, nullptr};
  EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitFor(const wchar_t* caption, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND window = FindByCaption(caption);
    if (window != nullptr) return window;
    if (GetTickCount() - start > timeout_ms) return nullptr;
    Sleep(100);
  }
}

unsigned long Number(const wchar_t* text) { return std::wcstoul(text, nullptr, 0); }

struct Descendant {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Descendant*>(data);
  if (GetDlgCtrlID(window) == search->id) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindControl(HWND window, int id) {
  if (HWND direct = GetDlgItem(window, id)) return direct;
  Descendant search{id, nullptr};
  EnumChildWindows(window, &MatchId, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Root items of a tree view, in order (pointer-free messages only).
std::vector<HTREEITEM> RootItems(HWND tree) {
  std::vector<HTREEITEM> items;
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item != nullptr) {
    items.push_back(item);
    item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return items;
}

// Memory inside the process of `window`, for the list view messages that
// take pointers (the system copies them only within a process).
class Remote {
 public:
  Remote(HWND window, size_t size) : size_(size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_ != nullptr) memory_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    if (memory_ != nullptr) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  bool ok() const { return memory_ != nullptr; }
  char* at(size_t offset) const { return static_cast<char*>(memory_) + offset; }
  bool Put(size_t offset, const void* data, size_t n) {
    return offset + n <= size_ && WriteProcessMemory(process_, at(offset), data, n, nullptr);
  }
  bool Get(size_t offset, void* data, size_t n) {
    return offset + n <= size_ && ReadProcessMemory(process_, at(offset), data, n, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* memory_ = nullptr;
  size_t size_;
};

std::wstring ListCell(HWND list, Remote& remote, int row, int column) {
  constexpr size_t kChars = 2048;
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = reinterpret_cast<wchar_t*>(remote.at(sizeof(LVITEMW)));
  item.cchTextMax = kChars;
  remote.Put(0, &item, sizeof item);
  DWORD_PTR n = 0;
  SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at(0)),
                      SMTO_ABORTIFHUNG, 5000, &n);
  std::wstring text(std::min<size_t>(n, kChars), L' ');
  remote.Get(sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t));
  return text;
}

void PressKey(HWND target, WPARAM vk) {
  UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  PostMessageW(target, WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(scan) << 16));
  PostMessageW(target, WM_KEYUP, vk, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Fail(L"usage", L"guidrv COMMAND CAPTION [ARGS]");
  std::wstring command = argv[1];
  const wchar_t* caption = argv[2];

  if (command == L"wait") {
    DWORD timeout = argc > 3 ? Number(argv[3]) : 20000;
    return WaitFor(caption, timeout) != nullptr ? 0 : Fail(L"no window", caption);
  }
  if (command == L"gone") {
    DWORD timeout = argc > 3 ? Number(argv[3]) : 20000;
    // A modal dialog is hidden first and destroyed when its message loop has
    // ended; only then does its owner take input again.
    DWORD start = GetTickCount();
    while (FindByCaption(caption, false) != nullptr) {
      if (GetTickCount() - start > timeout) return Fail(L"window still open", caption);
      Sleep(100);
    }
    return 0;
  }

  // The rest act on a window that must be there (after a short wait).
  HWND window = WaitFor(caption, 5000);
  if (window == nullptr) return Fail(L"no window", caption);

  if (command == L"move" && argc > 4) {
    SetWindowPos(window, nullptr, static_cast<int>(Number(argv[3])), static_cast<int>(Number(argv[4])), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  if (command == L"rect") {
    RECT r;
    GetWindowRect(window, &r);
    wchar_t line[100];
    std::swprintf(line, 100, L"%ld %ld %ld %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
    Print(line);
    return 0;
  }
  if (command == L"sysmenu") {
    HMENU menu = GetSystemMenu(window, FALSE);
    if (menu == nullptr) return Fail(L"no system menu", caption);
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
      wchar_t item[256] = {};
      MENUITEMINFOW info = {};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
      info.dwTypeData = item;
      info.cch = 256;
      if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
      wchar_t line[300];
      if (info.fType & MFT_SEPARATOR)
        std::swprintf(line, 300, L"-");
      else
        std::swprintf(line, 300, L"%u %ls", info.wID, item);
      Print(line);
    }
    return 0;
  }
  if (command == L"syscmd" && argc > 3) {
    PostMessageW(window, WM_SYSCOMMAND, Number(argv[3]), argc > 4 ? static_cast<LPARAM>(Number(argv[4])) : 0);
    return 0;
  }
  if (command == L"key" && argc > 3) {
    // The key goes to the focused control of the dialog's thread, where the
    // dialog's message loop sees it exactly as a key press.
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr)
      target = info.hwndFocus;
    if (GetEnvironmentVariableW(L"GUIDRV_DEBUG", nullptr, 0) > 0) {
      wchar_t line[200];
      wchar_t cls[64] = {};
      GetClassNameW(target, cls, 64);
      std::swprintf(line, 200, L"key target %p class %ls focus %p active %p", (void*)target, cls,
                    (void*)info.hwndFocus, (void*)info.hwndActive);
      Print(line);
    }
    WPARAM vk = Number(argv[3]);
    UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, vk, 1 | (static_cast<LPARAM>(scan) << 16));
    PostMessageW(target, WM_KEYUP, vk, 1 | (static_cast<LPARAM>(scan) << 16) | (3LL << 30));
    return 0;
  }

  if (argc < 4) return Fail(L"usage", L"control id missing");
  int id = static_cast<int>(Number(argv[3]));
  HWND control = id == 0 ? window : FindControl(window, id);
  if (control == nullptr) return Fail(L"no control", argv[3]);

  if (command == L"text") {
    Print(TextOf(control));
    return 0;
  }
  if (command == L"click") {
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"command") {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (command == L"style") {
    wchar_t line[32];
    std::swprintf(line, 32, L"0x%08lx", static_cast<unsigned long>(GetWindowLongW(control, GWL_STYLE)));
    Print(line);
    return 0;
  }
  if (command == L"tree") {
    for (HTREEITEM item : RootItems(control)) {
      auto state = static_cast<UINT>(
          SendMessageW(control, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
      Print(std::to_wstring((state & TVIS_STATEIMAGEMASK) >> 12));
    }
    return 0;
  }
  if (command == L"treecheck" && argc > 4) {
    std::vector<HTREEITEM> items = RootItems(control);
    size_t n = Number(argv[4]);
    if (n >= items.size()) return Fail(L"no tree item", argv[4]);
    SendMessageW(control, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[n]));
    PressKey(control, VK_SPACE);
    return 0;
  }
  if (command == L"check") {
    Print(std::to_wstring(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0));
    return 0;
  }
  if (command == L"list") {
    Remote remote(control, sizeof(LVITEMW) + 2048 * sizeof(wchar_t));
    if (!remote.ok()) return Fail(L"no memory in the program", argv[3]);
    HWND header = reinterpret_cast<HWND>(SendMessageW(control, LVM_GETHEADER, 0, 0));
    const int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    const int rows = static_cast<int>(SendMessageW(control, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
      std::wstring line;
      for (int column = 0; column < columns; ++column)
        line += (column > 0 ? L" | " : L"") + ListCell(control, remote, row, column);
      Print(line);
    }
    return 0;
  }
  if (command == L"listdbl" && argc > 4) {
    const int row = static_cast<int>(Number(argv[4]));
    // The row may be scrolled out of sight: bring it in first.
    SendMessageW(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    Remote remote(control, sizeof(RECT));
    RECT r = {};
    r.left = LVIR_LABEL;
    if (!remote.ok() || !remote.Put(0, &r, sizeof r) ||
        !SendMessageW(control, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at(0))) ||
        !remote.Get(0, &r, sizeof r))
      return Fail(L"no list row", argv[4]);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    PostMessageW(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(control, WM_LBUTTONUP, 0, at);
    return 0;
  }
  if (command == L"select" && argc > 4) {
    SendMessageW(control, CB_SETCURSEL, Number(argv[4]), 0);
    PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    return 0;
  }
  if (command == L"type" && argc > 4) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_ABORTIFHUNG, 5000, &ignored);
    return 0;
  }
  return Fail(L"unknown command", command);
}
