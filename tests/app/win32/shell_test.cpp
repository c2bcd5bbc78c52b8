// The program's own dialogs, run in-process with the program's resources:
// template layouts, the main dialog's start-up and buttons, the About box,
// the error dialog.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Texts.h"
#include "common/win/AboutDlg.h"
#include "common/win/ErrorDlg.h"
#include "app/win32/MainDlg.h"
#include "resources/resource.h"
#include "win32/display.h"

namespace mendora::win {
namespace {

struct ControlSpec {
  int id;
  int x, y, w, h;
};

// Opens template `id` bare (no texts of the program's own) and records what
// the layout turned into on the screen.
class LayoutProbe : public Dialog {
 public:
  explicit LayoutProbe(UINT id) : Dialog(id) {}

  std::vector<std::string> problems;
  int width_dlu = 0, height_dlu = 0;  // expected client size
  LONG style = 0;
  LOGFONTA font = {};
  int logical_pixels_y = 96;
  std::vector<ControlSpec> expected;
  std::vector<LONG> control_styles;
  std::vector<std::string> control_texts;

 protected:
  bool OnInitDialog() override {
    style = GetWindowLongA(hwnd(), GWL_STYLE);
    RECT client, want_client = {0, 0, width_dlu, height_dlu};
    GetClientRect(hwnd(), &client);
    MapDialogRect(hwnd(), &want_client);
    if (!EqualRect(&client, &want_client)) problems.push_back("dialog size");
    HFONT hfont = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    if (hfont != nullptr) GetObjectA(hfont, sizeof(font), &font);
    HDC dc = GetDC(hwnd());
    logical_pixels_y = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(hwnd(), dc);
    for (const ControlSpec& c : expected) {
      HWND control = GetDlgItem(hwnd(), c.id);
      control_styles.push_back(control != nullptr ? GetWindowLongA(control, GWL_STYLE) : 0);
      control_texts.push_back(ControlText(hwnd(), c.id));
      if (control == nullptr) {
        problems.push_back("control " + std::to_string(c.id) + " missing");
        continue;
      }
      // Position and size are converted separately, as the system creates
      // controls; mapping the right edge instead can differ by a pixel.
      RECT mapped = {c.x, c.y, c.w, c.h};
      MapDialogRect(hwnd(), &mapped);
      RECT want = {mapped.left, mapped.top, mapped.left + mapped.right, mapped.top + mapped.bottom};
      RECT got;
      GetWindowRect(control, &got);
      MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&got), 2);
      if (!EqualRect(&want, &got)) problems.push_back("control " + std::to_string(c.id) + " misplaced");
    }
    EndDialog(IDOK);
    return true;
  }
};

void ExpectTemplate(LayoutProbe& probe, int w, int h, std::vector<ControlSpec> controls) {
  UINT id = probe.template_id();
  probe.width_dlu = w;
  probe.height_dlu = h;
  probe.expected = std::move(controls);
  ASSERT_EQ(probe.DoModal(), IDOK) << "template " << id;
  EXPECT_TRUE(probe.problems.empty()) << "template " << id << ": " << testing::PrintToString(probe.problems);
  EXPECT_STREQ(probe.font.lfFaceName, "Arial") << "template " << id;
  EXPECT_EQ(probe.font.lfHeight, -MulDiv(8, probe.logical_pixels_y, 72)) << "template " << id;
  EXPECT_TRUE(probe.style & WS_CAPTION);
  EXPECT_TRUE(probe.style & WS_SYSMENU);
  EXPECT_FALSE(probe.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
}

TEST(Templates, MainDialogLayout) {
  MENDORA_REQUIRE_DISPLAY();
  LayoutProbe probe(IDD_MAIN);
  ExpectTemplate(probe, 295, 391,
                 {{IDC_WELCOME_TEXT, 17, 15, 259, 38},
                  {IDC_FIX, 36, 57, 64, 36},
                  {IDC_FIX_TEXT, 110, 59, 151, 31},
                  {IDC_MOVE, 36, 111, 64, 36},
                  {IDC_MOVE_TEXT, 109, 111, 151, 31},
                  {IDC_COPY, 36, 165, 64, 36},
                  {IDC_COPY_TEXT, 110, 166, 151, 31},
                  {IDC_PREFERENCE, 36, 217, 64, 36},
                  {IDC_PREFERENCE_TEXT, 110, 220, 151, 31},
                  {IDC_CHECK, 36, 271, 64, 36},
                  {IDC_CHECK_TEXT, 110, 273, 151, 31},
                  {IDC_EXPORT, 36, 325, 64, 36},
                  {IDC_EXPORT_TEXT, 110, 327, 151, 31},
                  {IDCANCEL, 238, 370, 50, 14}});
  ASSERT_EQ(probe.control_styles.size(), 14u);
  EXPECT_EQ(probe.control_styles[1] & BS_TYPEMASK, BS_DEFPUSHBUTTON);  // Fix
  EXPECT_EQ(probe.control_styles[3] & BS_TYPEMASK, BS_PUSHBUTTON);     // Move
  EXPECT_EQ(probe.control_texts[1], "Fix");
  EXPECT_EQ(probe.control_texts[3], "Move");
  EXPECT_EQ(probe.control_texts[5], "Copy");
  EXPECT_EQ(probe.control_texts[7], "Preference");
  EXPECT_EQ(probe.control_texts[9], "Check");
  EXPECT_EQ(probe.control_styles[9] & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(probe.control_texts[11], "Export");
  EXPECT_EQ(probe.control_styles[11] & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(probe.control_texts[13], "Quit");
}

TEST(Templates, AboutBoxLayout) {
  MENDORA_REQUIRE_DISPLAY();
  LayoutProbe probe(IDD_ABOUTBOX);
  ExpectTemplate(probe, 235, 55,
                 {{IDC_VERSION_TEXT, 40, 10, 119, 8}, {IDC_NOTICE_TEXT, 40, 25, 119, 8}, {IDOK, 178, 7, 50, 14}});
  ASSERT_EQ(probe.control_styles.size(), 3u);
  EXPECT_TRUE(probe.control_styles[0] & SS_NOPREFIX);  // the version line shows '&' as it is
  EXPECT_FALSE(probe.control_styles[1] & SS_NOPREFIX);
}

TEST(Templates, ErrorDialogLayout) {
  MENDORA_REQUIRE_DISPLAY();
  LayoutProbe probe(IDD_ERROR);
  ExpectTemplate(probe, 187, 87, {{IDC_ERROR_MESSAGE, 7, 7, 173, 46}, {IDOK, 68, 66, 50, 14}});
  ASSERT_EQ(probe.control_texts.size(), 2u);
  EXPECT_EQ(probe.control_texts[0], "Message:");
  EXPECT_EQ(probe.control_styles[1] & BS_TYPEMASK, BS_DEFPUSHBUTTON);
}

// Opens a template bare and measures texts in its controls with the
// dialog's font, word-wrapped as a static draws them.
class FitProbe : public Dialog {
 public:
  explicit FitProbe(UINT id) : Dialog(id) {}
  std::vector<std::pair<int, std::string>> texts;
  std::vector<std::string> overflows;

 protected:
  bool OnInitDialog() override {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hwnd(), WM_GETFONT, 0, 0));
    for (const auto& [id, text] : texts) {
      HWND control = GetDlgItem(hwnd(), id);
      if (control == nullptr) {
        overflows.push_back("no control " + std::to_string(id));
        continue;
      }
      RECT box;
      GetClientRect(control, &box);
      RECT need = box;
      HDC dc = GetDC(control);
      HGDIOBJ old = SelectObject(dc, font);
      DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
      SelectObject(dc, old);
      ReleaseDC(control, dc);
      if (need.right > box.right || need.bottom > box.bottom)
        overflows.push_back(std::to_string(id) + ": " + text);
    }
    EndDialog(IDOK);
    return true;
  }
};

TEST(Templates, MainDialogTextsFitTheirStatics) {
  MENDORA_REQUIRE_DISPLAY();
  FitProbe probe(IDD_MAIN);
  probe.texts = {{IDC_WELCOME_TEXT, LoadText(IDS_WELCOME)},
                 {IDC_FIX_TEXT, LoadText(IDS_FIX_TEXT)},
                 {IDC_MOVE_TEXT, LoadText(IDS_MOVE_TEXT)},
                 {IDC_COPY_TEXT, LoadText(IDS_COPY_TEXT)},
                 {IDC_PREFERENCE_TEXT, LoadText(IDS_PREFERENCE_TEXT)},
                 {IDC_CHECK_TEXT, LoadText(IDS_CHECK_TEXT)}};
  ASSERT_EQ(probe.DoModal(), IDOK);
  EXPECT_TRUE(probe.overflows.empty()) << testing::PrintToString(probe.overflows);
}

TEST(Templates, EveryErrorMessageFitsTheErrorDialog) {
  MENDORA_REQUIRE_DISPLAY();
  FitProbe probe(IDD_ERROR);
  const int codes[] = {'1', '2', '3', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'O', 'P',
                       'Q', 'R', 'S', '`', 'a', 'p', 257, 262, 264, 265, 266, 272, 273, 274, 289, 290, 0};
  for (int code : codes) {
    CErrorDlg dialog;
    dialog.SetError(code);
    EXPECT_FALSE(dialog.message().empty()) << code;
    probe.texts.emplace_back(IDC_ERROR_MESSAGE, dialog.message());
  }
  ASSERT_EQ(probe.DoModal(), IDOK);
  EXPECT_TRUE(probe.overflows.empty()) << testing::PrintToString(probe.overflows);
}

TEST(Texts, AStringIdWithoutTextGivesAnEmptyString) {
  EXPECT_EQ(LoadText(9999), "");
  EXPECT_EQ(LoadText(0xFFFF), "");
  EXPECT_FALSE(LoadText(IDS_MAIN_CAPTION).empty());
}

// The main dialog with its buttons recorded instead of opening dialogs.
class ScriptedMainDlg : public CMainDlg {
 public:
  std::vector<int> modes;
  int preferences = 0;
  int checks = 0;
  std::string caption;
  std::vector<std::string> statics;
  std::vector<std::pair<UINT, std::string>> menu_tail;  // last two items
  HICON big_icon = nullptr, small_icon = nullptr, drag_icon = nullptr;

 protected:
  bool OnInitDialog() override {
    bool result = CMainDlg::OnInitDialog();
    caption = WindowText(hwnd());
    for (int id : {IDC_WELCOME_TEXT, IDC_FIX_TEXT, IDC_MOVE_TEXT, IDC_COPY_TEXT, IDC_PREFERENCE_TEXT, IDC_CHECK_TEXT})
      statics.push_back(ControlText(hwnd(), id));
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    int count = GetMenuItemCount(menu);
    for (int i = count - 2; i >= 0 && i < count; ++i) {
      char text[128] = {};
      MENUITEMINFOA info = {};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = sizeof(text);
      GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
      menu_tail.emplace_back((info.fType & MFT_SEPARATOR) ? 0u : info.wID, text);
    }
    big_icon = reinterpret_cast<HICON>(SendMessageA(hwnd(), WM_GETICON, ICON_BIG, 0));
    small_icon = reinterpret_cast<HICON>(SendMessageA(hwnd(), WM_GETICON, ICON_SMALL, 0));
    drag_icon = reinterpret_cast<HICON>(SendMessageA(hwnd(), WM_QUERYDRAGICON, 0, 0));
    for (int id : {IDC_MOVE, IDC_COPY, IDC_FIX, IDC_PREFERENCE, IDC_CHECK})
      SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd(), id)));
    // Quit, as the button sends it.
    SendMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd(), IDCANCEL)));
    return result;
  }
  void RunOperation(OperationMode mode) override { modes.push_back(mode); }
  void RunPreference() override { ++preferences; }
  void RunCheck() override { ++checks; }
};

TEST(MainDlg, StartsWithItsTextsMenuAndIconsAndHandsTheRightModes) {
  MENDORA_REQUIRE_DISPLAY();
  ScriptedMainDlg dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.caption, LoadText(IDS_MAIN_CAPTION));
  EXPECT_EQ(dialog.statics, (std::vector<std::string>{LoadText(IDS_WELCOME), LoadText(IDS_FIX_TEXT),
                                                      LoadText(IDS_MOVE_TEXT), LoadText(IDS_COPY_TEXT),
                                                      LoadText(IDS_PREFERENCE_TEXT), LoadText(IDS_CHECK_TEXT)}));
  ASSERT_EQ(dialog.menu_tail.size(), 2u);
  EXPECT_EQ(dialog.menu_tail[0].first, 0u);  // separator
  EXPECT_EQ(dialog.menu_tail[1].first, static_cast<UINT>(IDM_ABOUTBOX));
  EXPECT_EQ(dialog.menu_tail[1].second, LoadText(IDS_ABOUTBOX));
  EXPECT_NE(dialog.big_icon, nullptr);
  EXPECT_NE(dialog.small_icon, nullptr);
  EXPECT_EQ(dialog.drag_icon, dialog.big_icon);
  // Move hands mode 1 and Copy mode 2, whatever order the texts have.
  EXPECT_EQ(dialog.modes, (std::vector<int>{Move, Copy, Fix}));
  EXPECT_EQ(dialog.preferences, 1);
  EXPECT_EQ(dialog.checks, 1);
}

TEST(MainDlg, AboutCommandIgnoresTheLowFourBits) {
  for (UINT command = 16; command <= 31; ++command) EXPECT_TRUE(CMainDlg::IsAboutCommand(command)) << command;
  EXPECT_FALSE(CMainDlg::IsAboutCommand(15));
  EXPECT_FALSE(CMainDlg::IsAboutCommand(32));
  EXPECT_FALSE(CMainDlg::IsAboutCommand(SC_CLOSE));
  EXPECT_FALSE(CMainDlg::IsAboutCommand(SC_KEYMENU));
}

class ProbedAboutDlg : public CAboutDlg {
 public:
  std::string caption, version, notice;

 protected:
  bool OnInitDialog() override {
    CAboutDlg::OnInitDialog();
    caption = WindowText(hwnd());
    version = ControlText(hwnd(), IDC_VERSION_TEXT);
    notice = ControlText(hwnd(), IDC_NOTICE_TEXT);
    EndDialog(IDOK);
    return true;
  }
};

TEST(AboutDlg, ShowsVersionNoticeAndCaption) {
  MENDORA_REQUIRE_DISPLAY();
  ProbedAboutDlg about;
  EXPECT_EQ(about.DoModal(), IDOK);
  EXPECT_EQ(about.caption, LoadText(IDS_ABOUT_CAPTION));
  EXPECT_EQ(about.version, LoadText(IDS_ABOUT_VERSION));
  EXPECT_EQ(about.notice, LoadText(IDS_ABOUT_NOTICE));
  EXPECT_FALSE(about.notice.empty());
}

class ProbedErrorDlg : public CErrorDlg {
 public:
  std::string shown_caption, shown_message;

 protected:
  bool OnInitDialog() override {
    CErrorDlg::OnInitDialog();
    shown_caption = WindowText(hwnd());
    shown_message = ControlText(hwnd(), IDC_ERROR_MESSAGE);
    EndDialog(IDOK);
    return true;
  }
};

TEST(ErrorDlg, ShowsCaptionAndMessageOfTheCode) {
  MENDORA_REQUIRE_DISPLAY();
  struct Case {
    int code;
    unsigned caption, message;
  };
  for (Case c : {Case{'B', 40, 306}, Case{'Q', 41, 353}, Case{'O', 41, 351}, Case{'P', 41, 351}, Case{78, 40, 42},
                 Case{0, 40, 42}, Case{290, 40, 3005}}) {
    ProbedErrorDlg dialog;
    dialog.SetError(c.code);
    EXPECT_EQ(dialog.code(), c.code);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.shown_caption, LoadText(c.caption)) << c.code;
    EXPECT_EQ(dialog.shown_message, LoadText(c.message)) << c.code;
    EXPECT_FALSE(dialog.shown_message.empty()) << c.code;
  }
}

}  // namespace
}  // namespace mendora::win
