#include "search/win/PreferenceDlg.h"

#include "common/Texts.h"
#include "platform/fs.h"
#include "platform/settings_store.h"
#include "resources/resource.h"

namespace mendora::win {

CPreferenceDlg::CPreferenceDlg(HWND parent) : CPreferenceDlg(OpenUserSettingsStore(), SystemFileSystem(), parent) {}

CPreferenceDlg::CPreferenceDlg(std::unique_ptr<SettingsStore> settings, FileSystem& fs, HWND parent)
    : Dialog(IDD_PREFERENCE, parent),
      settings_(std::move(settings)),
      preference_(*settings_, fs),
      tree_(preference_.tree()),
      tree_caption_(LoadText(IDS_TREE_CAPTION)),
      backup_label_(LoadText(IDS_BACKUP_LABEL)) {}

void CPreferenceDlg::DoDataExchange(DataExchange& dx) {
  dx.Text(IDC_TREE_CAPTION, tree_caption_);
  dx.Text(IDC_BACKUP_LABEL, backup_label_);
}

bool CPreferenceDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  tree_.Attach(GetDlgItem(hwnd(), IDC_DRIVE_TREE));
  CheckDlgButton(hwnd(), IDC_BACKUP_CHECK, preference_.backup_flag() != 0 ? BST_CHECKED : BST_UNCHECKED);
  return true;
}

bool CPreferenceDlg::OnCommand(int id, int notify_code, HWND control) {
  if (id == IDOK) {
    // Saves the drives of the checked items and the backup box.
    tree_.CollectChecks();
    preference_.OnOK(IsDlgButtonChecked(hwnd(), IDC_BACKUP_CHECK) == BST_CHECKED);
    EndDialog(IDOK);
    return true;
  }
  return Dialog::OnCommand(id, notify_code, control);
}

}  // namespace mendora::win
