// Files dropped on the main dialog, and files given to mendora.exe without
// a switch: which operation runs on which files, and the drop question.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/DropChoiceDlg.h"
#include "app/win32/MainDlg.h"
#include "common/Texts.h"
#include "resources/resource.h"
#include "win32/display.h"

namespace mendora::win {
namespace {

using Files = std::vector<std::string>;

// An HDROP as the shell hands it over: DROPFILES, then the ANSI names, each
// ended by a NUL, and a NUL after the last. The receiver frees it (DragFinish).
HDROP MakeDrop(const Files& files, POINT at) {
  size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& f : files) size += f.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, size);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->pt = at;
  header->fNC = FALSE;
  header->fWide = FALSE;
  char* names = reinterpret_cast<char*>(header + 1);
  for (const std::string& f : files) {
    std::memcpy(names, f.c_str(), f.size() + 1);
    names += f.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// The point in the middle of control `id`, in the dialog's client area.
POINT Middle(HWND dialog, int id) {
  RECT rect;
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

struct Drop {
  int target;          // control dropped on; 0: an empty spot of the dialog
  INT_PTR answer;      // the drop question's answer, if it is asked
  bool asked;          // expected: the question was asked
  int mode;            // expected: the operation run, -1 for none
};

// The main dialog with the operation and the question recorded and scripted.
class DropMainDlg : public CMainDlg {
 public:
  std::vector<Drop> drops;
  Files files = {"D:\\clips\\take1.avi", "E:\\映像\\take2.avi"};
  std::vector<std::pair<int, Files>> ran;  // mode, files
  std::vector<Files> asked;
  std::vector<bool> shown_when_asked;  // the dialog was on the screen behind the question
  bool accepts_files = false;
  bool end_after_start_files = false;

 protected:
  bool OnInitDialog() override {
    const bool result = CMainDlg::OnInitDialog();
    accepts_files = (GetWindowLongA(hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
    for (const Drop& d : drops) {
      current_answer_ = d.answer;
      POINT at = d.target != 0 ? Middle(hwnd(), d.target) : POINT{4, 4};
      SendMessageA(hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(files, at)), 0);
    }
    if (!end_after_start_files) EndDialog(IDCANCEL);
    return result;
  }
  bool OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    const bool handled = CMainDlg::OnAppMessage(message, wparam, lparam);
    if (end_after_start_files) EndDialog(IDCANCEL);
    return handled;
  }
  void RunDroppedOperation(OperationMode mode, const Files& dropped) override { ran.emplace_back(mode, dropped); }
  INT_PTR AskDropOperation(const Files& dropped) override {
    asked.push_back(dropped);
    shown_when_asked.push_back(IsWindowVisible(hwnd()) != FALSE);
    return current_answer_;
  }

 private:
  INT_PTR current_answer_ = IDCANCEL;
};

TEST(MainDlgDrop, AButtonRunsItsOperationAndAnywhereElseAsks) {
  MENDORA_REQUIRE_DISPLAY();
  const Drop drops[] = {
      {IDC_FIX, IDCANCEL, false, Fix},
      {IDC_MOVE, IDCANCEL, false, Move},
      {IDC_COPY, IDCANCEL, false, Copy},
      // Not an operation's button: the question decides.
      {IDC_PREFERENCE, IDC_MOVE, true, Move},
      {IDC_FIX_TEXT, IDC_COPY, true, Copy},
      {0, IDC_FIX, true, Fix},
      {IDC_WELCOME_TEXT, IDCANCEL, true, -1},
  };
  for (const Drop& d : drops) {
    DropMainDlg dialog;
    dialog.drops = {d};
    ASSERT_EQ(dialog.DoModal(), IDCANCEL);
    SCOPED_TRACE(testing::Message() << "dropped on " << d.target);
    EXPECT_TRUE(dialog.accepts_files);
    EXPECT_EQ(dialog.asked.size(), d.asked ? 1u : 0u);
    if (d.asked && !dialog.asked.empty()) {
      EXPECT_EQ(dialog.asked[0], dialog.files);
    }
    if (d.mode < 0) {
      EXPECT_TRUE(dialog.ran.empty());
    } else {
      ASSERT_EQ(dialog.ran.size(), 1u);
      EXPECT_EQ(dialog.ran[0].first, d.mode);
      EXPECT_EQ(dialog.ran[0].second, dialog.files);
    }
  }
}

TEST(MainDlgDrop, StartFilesAreAskedAboutOnceTheDialogShows) {
  MENDORA_REQUIRE_DISPLAY();
  DropMainDlg dialog;
  dialog.end_after_start_files = true;
  const Files given = {"C:\\a.avi", "C:\\b.avi", "C:\\c.avi"};
  dialog.SetStartFiles(given);
  ASSERT_EQ(dialog.DoModal(), IDCANCEL);
  ASSERT_EQ(dialog.asked.size(), 1u);
  EXPECT_EQ(dialog.asked[0], given);
  EXPECT_TRUE(dialog.shown_when_asked[0]);
  EXPECT_TRUE(dialog.ran.empty());  // the question was cancelled
}

// The drop question, answered by pressing one of its buttons.
class PressedDropChoiceDlg : public CDropChoiceDlg {
 public:
  PressedDropChoiceDlg(const Files& files, int button) : CDropChoiceDlg(files, nullptr), button_(button) {}
  std::string caption, question, list;

 protected:
  bool OnInitDialog() override {
    const bool result = CDropChoiceDlg::OnInitDialog();
    caption = WindowText(hwnd());
    question = ControlText(hwnd(), IDC_DROP_QUESTION);
    list = ControlText(hwnd(), IDC_DROP_FILES);
    PostMessageA(GetDlgItem(hwnd(), button_), BM_CLICK, 0, 0);
    return result;
  }

 private:
  int button_;
};

TEST(DropChoiceDlg, ListsTheFilesAndEndsWithThePressedButton) {
  MENDORA_REQUIRE_DISPLAY();
  const Files files = {"D:\\clips\\take1.avi", "D:\\a & b.avi"};
  for (int button : {IDC_FIX, IDC_MOVE, IDC_COPY, IDCANCEL}) {
    PressedDropChoiceDlg dialog(files, button);
    EXPECT_EQ(dialog.DoModal(), button);
    EXPECT_EQ(dialog.caption, LoadText(IDS_DROP_CAPTION));
    EXPECT_EQ(dialog.question, LoadText(IDS_DROP_QUESTION));
    EXPECT_FALSE(dialog.question.empty());
    EXPECT_EQ(dialog.list, "D:\\clips\\take1.avi\r\nD:\\a & b.avi");
  }
}

}  // namespace
}  // namespace mendora::win
