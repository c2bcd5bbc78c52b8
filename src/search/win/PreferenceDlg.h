#pragma once
// The Preference dialog's window (template 143): the drives the search walks,
// as a tree of check boxes, and the backup box. OK saves both; Cancel saves
// nothing. The settings belong to SearchPreferences.
#include <memory>
#include <string>

#include "platform/win32/dialog.h"
#include "platform/settings_store.h"
#include "search/SearchPreferences.h"
#include "search/win/TreeCtrlEx.h"

namespace mendora {
class FileSystem;
class SettingsStore;
}  // namespace mendora

namespace mendora::win {

class CPreferenceDlg : public Dialog {
 public:
  // The user's settings on the system's file system.
  explicit CPreferenceDlg(HWND parent = nullptr);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;

 private:
  CPreferenceDlg(std::unique_ptr<SettingsStore> settings, FileSystem& fs, HWND parent);

  std::unique_ptr<SettingsStore> settings_;
  SearchPreferences preference_;
  CTreeCtrlEx tree_;
  std::string tree_caption_;  // IDS_TREE_CAPTION
  std::string backup_label_;  // IDS_BACKUP_LABEL
};

}  // namespace mendora::win
