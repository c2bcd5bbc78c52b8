// The open-file dialog with its hook: filter and selection parsing, and the
// real system dialog driven from its own notifications.
#include "platform/win32/file_dialog.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "platform/win32/dialog.h"
#include "platform/win_path.h"
#include "win32/display.h"

namespace mendora::win {
namespace {

template <size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

TEST(FileDialogText, FilterBarsBecomeNuls) {
  EXPECT_EQ(FilterFromBars("Avi Files (*.avi)|*.avi|All Files (*.*)|*.*||"),
            Bytes("Avi Files (*.avi)\0*.avi\0All Files (*.*)\0*.*\0\0"));
  // A filter without the closing bars still ends with two NULs.
  EXPECT_EQ(FilterFromBars("A|*.a"), Bytes("A\0*.a\0\0"));
}

TEST(FileDialogText, SelectionIsOnePathOrAFolderWithNames) {
  const char one[] = "C:\\clips\\a.avi\0";
  EXPECT_EQ(SplitSelection(one, sizeof(one)), (std::vector<std::string>{"C:\\clips\\a.avi"}));
  const char many[] = "C:\\clips\0a.avi\0b c.avi\0";
  EXPECT_EQ(SplitSelection(many, sizeof(many)), (std::vector<std::string>{"C:\\clips\\a.avi", "C:\\clips\\b c.avi"}));
  // Names in a drive's root: the folder already ends with a backslash.
  const char root[] = "D:\\\0x.avi\0y.avi\0";
  EXPECT_EQ(SplitSelection(root, sizeof(root)), (std::vector<std::string>{"D:\\x.avi", "D:\\y.avi"}));
  const char none[] = "\0";
  EXPECT_TRUE(SplitSelection(none, sizeof(none)).empty());
  // A name that runs to the end of the buffer is not read past it.
  const char cut[3] = {'a', 'b', 'c'};
  EXPECT_TRUE(SplitSelection(cut, sizeof(cut)).empty());
}

// Types `name` into the file name box and presses Open from inside the
// dialog; records what the hook saw.
class ScriptedOpen : public FileDialog {
 public:
  ScriptedOpen(const std::string& name, int refusals, DWORD flags = 0)
      : FileDialog(true, "", "", OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | flags,
                   "Avi Files (*.avi)|*.avi|All Files (*.*)|*.*||"),
        name_(name),
        refusals_(refusals) {}
  int init_done = 0, file_ok = 0;
  std::vector<std::string> seen_at_ok;
  bool throw_at_init = false;

 protected:
  void OnInitDone() override {
    ++init_done;
    if (throw_at_init) throw std::runtime_error("init");
    Press();
  }
  bool OnFileNameOk() override {
    ++file_ok;
    seen_at_ok = Paths();
    if (refusals_-- > 0) {
      Press();  // refused: the dialog stays open, so try again
      return false;
    }
    return true;
  }

 private:
  void Press() {
    // The Explorer dialog's file name box (edt1 or cmb13) and its Open button.
    SendMessageA(explorer(), CDM_SETCONTROLTEXT, 0x47c, reinterpret_cast<LPARAM>(name_.c_str()));
    SendMessageA(explorer(), CDM_SETCONTROLTEXT, 0x480, reinterpret_cast<LPARAM>(name_.c_str()));
    PostMessageA(explorer(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  std::string name_;
  int refusals_;
};

std::string MakeTempFile() {
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "mfd", 0, path);
  return path;
}

TEST(FileDialog, HookSeesTheChosenFileAndCanRefuseIt) {
  MENDORA_REQUIRE_DISPLAY();
  std::string file = MakeTempFile();
  ScriptedOpen dialog(file, 1);
  EXPECT_EQ(dialog.DoModal(), IDOK) << "error " << dialog.error();
  DeleteFileA(file.c_str());
  EXPECT_EQ(dialog.init_done, 1);
  EXPECT_EQ(dialog.file_ok, 2);  // refused once, accepted the second time
  EXPECT_EQ(dialog.seen_at_ok, (std::vector<std::string>{file}));
  EXPECT_EQ(dialog.Paths(), (std::vector<std::string>{file}));
  EXPECT_EQ(dialog.hwnd(), nullptr);
}

TEST(FileDialog, MultipleSelectionGivesEveryPath) {
  MENDORA_REQUIRE_DISPLAY();
  std::string first = MakeTempFile(), second = MakeTempFile();
  const WinPath windows_paths;
  const std::string folder = windows_paths.WithoutSeparator(windows_paths.Folder(first));
  auto name = [&windows_paths](const std::string& path) { return windows_paths.FileName(path); };
  ScriptedOpen dialog("\"" + name(first) + "\" \"" + name(second) + "\"", 0, OFN_ALLOWMULTISELECT);
  dialog.ofn().lpstrInitialDir = folder.c_str();
  dialog.SetBufferSize(10000);
  EXPECT_EQ(dialog.DoModal(), IDOK) << "error " << dialog.error();
  DeleteFileA(first.c_str());
  DeleteFileA(second.c_str());
  std::vector<std::string> paths = dialog.Paths();
  std::sort(paths.begin(), paths.end());
  std::vector<std::string> expected{first, second};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(paths, expected);
}

class CancelAtInit : public FileDialog {
 public:
  CancelAtInit() : FileDialog(true, "", "", 0, "All Files (*.*)|*.*||") {}

 protected:
  void OnInitDone() override { PostMessageA(explorer(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }
};

TEST(FileDialog, CancelIsNotAnError) {
  MENDORA_REQUIRE_DISPLAY();
  CancelAtInit dialog;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.error(), 0u);
}

TEST(FileDialog, AHandlerThatThrowsClosesTheDialogWithAnError) {
  MENDORA_REQUIRE_DISPLAY();
  ScriptedOpen dialog("unused.avi", 0);
  dialog.throw_at_init = true;
  EXPECT_EQ(dialog.DoModal(), -1);
  EXPECT_EQ(dialog.error(), Dialog::kHandlerFailed);
}

}  // namespace
}  // namespace mendora::win
