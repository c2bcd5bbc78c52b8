// The dialog layer: modal runs, failures reported, data exchange, timers,
// worker messages, ownership of nested dialogs, message box rules.
#include "platform/win32/dialog.h"

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "platform/event.h"
#include "platform/win32/message_box.h"
#include "resources/resource.h"
#include "win32/display.h"

namespace mendora::win {
namespace {

// Any template of the program serves as a test dialog; the error dialog is
// the smallest one with a static and an OK button.
constexpr UINT kTestTemplate = IDD_ERROR;
constexpr int kTestStatic = IDC_ERROR_MESSAGE;

// Runs its check inside the open dialog, then ends it with `result`.
class ProbeDialog : public Dialog {
 public:
  explicit ProbeDialog(UINT id = kTestTemplate) : Dialog(id) {}
  std::function<void(ProbeDialog&)> on_init;
  INT_PTR result = IDOK;
  HWND seen_hwnd = nullptr;
  using Dialog::UpdateData;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    seen_hwnd = hwnd();
    if (on_init) on_init(*this);
    EndDialog(result);
    return true;
  }
};

TEST(Dialog, MissingTemplateIsAnErrorNotASilentReturn) {
  Dialog dialog(4242);
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.error(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST(Dialog, ResultOfEndDialogAndWindowForgottenAfterwards) {
  MENDORA_REQUIRE_DISPLAY();
  ProbeDialog dialog;
  dialog.result = 1234;
  EXPECT_EQ(dialog.DoModal(), 1234);
  EXPECT_EQ(dialog.error(), 0u);
  ASSERT_NE(dialog.seen_hwnd, nullptr);
  EXPECT_EQ(dialog.hwnd(), nullptr);
  EXPECT_FALSE(IsWindow(dialog.seen_hwnd));
  EXPECT_EQ(CurrentModalWindow(), nullptr);
}

class ThrowingDialog : public Dialog {
 public:
  explicit ThrowingDialog(bool in_init) : Dialog(kTestTemplate), in_init_(in_init) {}
  int timer_calls = 0;

 protected:
  bool OnInitDialog() override {
    if (in_init_) throw std::runtime_error("init");
    SetTimer(hwnd(), 7, 10, nullptr);
    return true;
  }
  bool OnTimer(UINT_PTR) override {
    ++timer_calls;
    throw std::bad_alloc();
  }

 private:
  bool in_init_;
};

TEST(Dialog, ExceptionInAHandlerEndsTheDialogWithAnError) {
  MENDORA_REQUIRE_DISPLAY();
  for (bool in_init : {true, false}) {
    ThrowingDialog dialog(in_init);
    EXPECT_EQ(dialog.DoModal(), -1) << "in_init " << in_init;
    EXPECT_EQ(dialog.error(), Dialog::kHandlerFailed);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    if (!in_init) {
      EXPECT_EQ(dialog.timer_calls, 1);
    }
  }
  // The thread can run dialogs afterwards.
  ProbeDialog next;
  EXPECT_EQ(next.DoModal(), IDOK);
}

class TextDialog : public ProbeDialog {
 public:
  std::string text;

 protected:
  void DoDataExchange(DataExchange& dx) override { dx.Text(kTestStatic, text); }
};

TEST(Dialog, DataExchangeFillsTheControlsAndReadsThemBack) {
  MENDORA_REQUIRE_DISPLAY();
  TextDialog dialog;
  dialog.text = "first line\nsecond line, 100%";
  std::string shown, read_back;
  dialog.on_init = [&](ProbeDialog& d) {
    shown = ControlText(d.hwnd(), kTestStatic);
    SetDlgItemTextA(d.hwnd(), kTestStatic, "changed");
    d.UpdateData(true);
  };
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(shown, "first line\nsecond line, 100%");
  EXPECT_EQ(dialog.text, "changed");
}

TEST(Dialog, UpdateDataNeedsAnOpenDialog) {
  TextDialog dialog;
  dialog.text = "kept";
  EXPECT_FALSE(dialog.UpdateData(true));
  EXPECT_EQ(dialog.text, "kept");
}

// The progress hand-shake as the later dialogs use it: a worker posts
// WM_APP+0x10 with the address of its percentage and waits until the dialog
// has read it; a timer polls for the worker's end and closes the dialog.
class WorkerDialog : public Dialog {
 public:
  WorkerDialog() : Dialog(kTestTemplate) {}
  std::vector<int> seen;
  Event acknowledged{false};
  WorkerThread worker;

 protected:
  bool OnInitDialog() override {
    HWND window = hwnd();
    const bool started = worker.Start([this, window] {
      for (int percent = 0; percent <= 100; percent += 25) {
        acknowledged.Reset();
        PostMessageA(window, WM_APP + 0x10, 0, reinterpret_cast<LPARAM>(&percent));
        acknowledged.Wait();
      }
    });
    EXPECT_TRUE(started);
    SetTimer(hwnd(), 16, 20, nullptr);
    return true;
  }
  bool OnAppMessage(UINT message, WPARAM, LPARAM lparam) override {
    if (message != WM_APP + 0x10) return false;
    seen.push_back(*reinterpret_cast<int*>(lparam));
    acknowledged.Set();
    return true;
  }
  bool OnTimer(UINT_PTR id) override {
    if (id != 16 || !worker.HasEnded()) return false;
    KillTimer(hwnd(), 16);
    EndDialog(IDCANCEL);
    return true;
  }
};

TEST(Dialog, WorkerMessagesAndTimerReachTheirHandlers) {
  MENDORA_REQUIRE_DISPLAY();
  WorkerDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  dialog.worker.Join();
  EXPECT_EQ(dialog.seen, (std::vector<int>{0, 25, 50, 75, 100}));
}

TEST(Dialog, ADialogWithoutParentIsOwnedByTheOneThatOpensIt) {
  MENDORA_REQUIRE_DISPLAY();
  ProbeDialog outer;
  HWND inner_owner = nullptr, current_inside = nullptr;
  bool outer_disabled = false;
  outer.on_init = [&](ProbeDialog& o) {
    ProbeDialog inner(IDD_ABOUTBOX);
    inner.on_init = [&](ProbeDialog& i) {
      inner_owner = GetWindow(i.hwnd(), GW_OWNER);
      current_inside = CurrentModalWindow();
      outer_disabled = !IsWindowEnabled(o.hwnd());
    };
    inner.DoModal();
    EXPECT_EQ(CurrentModalWindow(), o.hwnd());
  };
  EXPECT_EQ(outer.DoModal(), IDOK);
  EXPECT_EQ(inner_owner, outer.seen_hwnd);
  EXPECT_NE(current_inside, outer.seen_hwnd);
  EXPECT_TRUE(outer_disabled);
  EXPECT_EQ(CurrentModalWindow(), nullptr);
}

// Stays open until its first timer tick, after the centring, and measures.
class MeasureDialog : public Dialog {
 public:
  MeasureDialog() : Dialog(IDD_MAIN) {}
  RECT window = {};

 protected:
  bool OnInitDialog() override {
    SetTimer(hwnd(), 1, 10, nullptr);
    return true;
  }
  bool OnTimer(UINT_PTR) override {
    KillTimer(hwnd(), 1);
    GetWindowRect(hwnd(), &window);
    EndDialog(IDOK);
    return true;
  }
};

TEST(Dialog, AnUnplacedDialogIsCentred) {
  MENDORA_REQUIRE_DISPLAY();
  MeasureDialog dialog;
  EXPECT_EQ(dialog.DoModal(), IDOK);
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const RECT& w = dialog.window;
  LONG left = w.left - work.left, right = work.right - w.right;
  LONG top = w.top - work.top, bottom = work.bottom - w.bottom;
  EXPECT_LE(std::abs(left - right), 2) << left << " " << right;
  EXPECT_LE(std::abs(top - bottom), 2) << top << " " << bottom;
}

TEST(MessageBoxRules, PlainBoxesGetTheExclamationIcon) {
  EXPECT_EQ(MessageBoxStyle(MB_OK), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(MessageBoxStyle(MB_OKCANCEL), static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(MessageBoxStyle(MB_YESNO), static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  // The retry prompt has no icon; an icon asked for is kept.
  EXPECT_EQ(MessageBoxStyle(MB_RETRYCANCEL), static_cast<UINT>(MB_RETRYCANCEL));
  EXPECT_EQ(MessageBoxStyle(MB_YESNO | MB_ICONQUESTION), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
}

TEST(MessageBoxRules, TitleIsTheExecutableNameWithoutExtension) {
  EXPECT_EQ(TitleFromModulePath("C:\\Program Files\\Mendora\\mendora.exe"), "mendora");
  EXPECT_EQ(TitleFromModulePath("D:\\a.b\\tool"), "tool");
  EXPECT_EQ(TitleFromModulePath("C:\\x\\archive.tar.exe"), "archive.tar");
  EXPECT_EQ(TitleFromModulePath("mendora.exe"), "mendora");
  EXPECT_EQ(AppTitle(), "app_win32_test");
}

}  // namespace
}  // namespace mendora::win
