#include "search/PreferenceDlg.h"

#include <string>

#include "common/CommonFunc.h"

namespace mendora {

CPreferenceDlg::CPreferenceDlg(SettingsStore& settings, FileSystem& fs)
    : settings_(settings), fs_(fs), tree_(settings, fs) {
  CommonFunc(settings_, fs_).LoadSettings(SETTING_BACKUP, nullptr, nullptr, nullptr, &backup_flag_);
}

void CPreferenceDlg::OnInitDialog(uint32_t logical_drives, const CTreeCtrlEx::DisplayNameFn& display_name) {
  tree_.Fill(logical_drives, display_name);
}

void CPreferenceDlg::OnOK(bool backup_checked) {
  tree_.SaveSelection();
  backup_flag_ = backup_checked ? 1 : 0;
  CommonFunc(settings_, fs_).SaveSettings(SETTING_BACKUP, std::string(), 0, 0, backup_flag_);
}

}  // namespace mendora
