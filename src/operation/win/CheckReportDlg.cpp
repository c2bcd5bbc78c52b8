#include "operation/win/CheckReportDlg.h"

#include <commctrl.h>

#include <memory>

#include "common/Texts.h"
#include "common/win/ShellUi.h"
#include "operation/Operation.h"
#include "operation/Progress.h"
#include "operation/ProgramSteps.h"
#include "operation/win/WinOperationUi.h"
#include "platform/fs.h"
#include "platform/settings_store.h"
#include "platform/win32/file_dialog.h"
#include "platform/win32/message_box.h"
#include "resources/resource.h"

namespace mendora::win {

namespace {

// Runs the check of `paths` under the progress dialog. False when it was
// cancelled or could not run.
bool CheckUnderProgress(const std::vector<std::string>& paths, std::vector<FileCheck>* reports) {
  FileSystem& fs = SystemFileSystem();
  std::unique_ptr<SettingsStore> settings = OpenUserSettingsStore();
  WinOperationUi ui(fs, *settings);
  ProgramSteps steps(fs);
  CheckInput input{paths};
  ProgressStep step(fs, steps, input);
  const int r = ui.RunStep(step);
  if (r != RC_OK) {
    if (r != RC_CANCELLED) ui.ShowError(r);
    return false;
  }
  *reports = std::move(step.reports());
  return true;
}

}  // namespace

CCheckReportDlg::CCheckReportDlg(CheckReport& report, const std::string& folder, HWND parent)
    : Dialog(IDD_CHECK_REPORT, parent), report_(report), folder_(folder) {}

bool CCheckReportDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  SetWindowTextA(hwnd(), FormatString1(LoadText(IDS_REPORT_CAPTION), folder_).c_str());
  SetDlgItemTextA(hwnd(), IDC_REPORT_SAVE, LoadText(IDS_REPORT_SAVE).c_str());
  SetDlgItemTextA(hwnd(), IDCANCEL, LoadText(IDS_REPORT_CLOSE).c_str());
  SetDlgItemTextA(hwnd(), IDC_REPORT_HINT, LoadText(IDS_REPORT_HINT).c_str());
  list_.Attach(GetDlgItem(hwnd(), IDC_REPORT_LIST));
  list_.SetFullRowSelect();
  // Widths in dialog units of the template, so that they follow the font.
  const int widths[] = {160, 164, 62, 50};
  const unsigned titles[] = {IDS_REPORT_FILE, IDS_REPORT_LINK, IDS_REPORT_STATUS, IDS_REPORT_FRAMES};
  for (int i = 0; i < 4; ++i) {
    RECT r = {0, 0, widths[i], 8};
    MapDialogRect(hwnd(), &r);
    list_.AddColumn(LoadText(titles[i]), r.right);
  }
  Fill();
  return true;
}

void CCheckReportDlg::Fill() {
  list_.Clear();
  for (const CheckRow& row : report_.rows()) list_.AddRow({row.file, row.link, LoadText(row.status), row.frames});
}

bool CCheckReportDlg::OnCommand(int id, int notify_code, HWND control) {
  if (id == IDC_REPORT_SAVE && notify_code == BN_CLICKED) {
    SaveReport();
    return true;
  }
  return Dialog::OnCommand(id, notify_code, control);
}

bool CCheckReportDlg::OnNotify(int control_id, NMHDR* header, LRESULT* result) {
  if (control_id != IDC_REPORT_LIST || (header->code != NM_DBLCLK && header->code != NM_RETURN)) return false;
  int row = list_.Selected();
  if (header->code == NM_DBLCLK) row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
  *result = 0;
  if (row < 0) return true;
  const std::string target = report_.FixTarget(static_cast<size_t>(row));
  if (!target.empty()) FixAndCheck(target);
  return true;
}

void CCheckReportDlg::FixAndCheck(const std::string& path) {
  FileSystem& fs = SystemFileSystem();
  std::unique_ptr<SettingsStore> settings = OpenUserSettingsStore();
  {
    WinOperationUi ui(fs, *settings);
    ProgramSteps steps(fs);
    const std::vector<std::string> selected{path};
    COperation operation(selected, fs, *settings, ui, steps);
    operation.RunFix();
  }
  std::vector<FileCheck> again;
  if (CheckUnderProgress({path}, &again) && again.size() == 1) {
    report_.Replace(again[0]);
    Fill();
  }
}

void CCheckReportDlg::SaveReport() {
  FileDialog dialog(false, "csv", "report.csv", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                    "CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
  const std::string title = LoadText(IDS_REPORT_SAVE_TITLE);
  dialog.ofn().lpstrTitle = title.c_str();
  dialog.ofn().lpstrInitialDir = folder_.c_str();
  if (dialog.DoModal() != IDOK || dialog.Paths().empty()) return;
  const std::string csv = report_.Csv();
  std::unique_ptr<File> file = SystemFileSystem().Open(dialog.Paths()[0], OpenMode::kCreateWrite);
  if (!file || file->Write(csv.data(), csv.size()) != csv.size() || !file->Close())
    AppMessageBox(LoadText(IDS_ERR_WRITE), MB_OK);
}

void RunArchiveCheck() {
  FileSystem& fs = SystemFileSystem();
  std::unique_ptr<SettingsStore> settings = OpenUserSettingsStore();
  std::string folder;
  if (!WinOperationUi(fs, *settings).BrowseFolder(LoadText(IDS_CHECK_BROWSE), &folder)) return;
  std::vector<FileCheck> reports;
  if (!CheckUnderProgress({folder}, &reports)) return;
  CheckReport report(std::move(reports));
  CCheckReportDlg dialog(report, folder);
  RunModal(dialog);
}

}  // namespace mendora::win
