#include "search/SearchPreferences.h"

#include <string>

#include "common/CommonFunc.h"

namespace mendora {

SearchPreferences::SearchPreferences(SettingsStore& settings, FileSystem& fs)
    : settings_(settings), fs_(fs), tree_(settings, fs) {
  CommonFunc(settings_, fs_).LoadSettings(SETTING_BACKUP, nullptr, nullptr, nullptr, &backup_flag_);
}

void SearchPreferences::OnInitDialog(uint32_t logical_drives, const DriveTree::DisplayNameFn& display_name) {
  tree_.Fill(logical_drives, display_name);
}

void SearchPreferences::OnOK(bool backup_checked) {
  tree_.SaveSelection();
  backup_flag_ = backup_checked ? 1 : 0;
  CommonFunc(settings_, fs_).SaveSettings(SETTING_BACKUP, std::string(), 0, 0, backup_flag_);
}

}  // namespace mendora
