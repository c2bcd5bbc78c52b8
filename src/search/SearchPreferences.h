#pragma once
// The Preference dialog without its window: the search drives (the drive
// tree) and the backup flag. OK saves both; Cancel saves nothing.
#include <cstdint>

#include "search/DriveTree.h"

namespace mendora {

class SearchPreferences {
 public:
  // Reads the backup flag; the tree reads the search drives.
  SearchPreferences(SettingsStore& settings, FileSystem& fs);

  // Fills the tree with the drives present (as binding the tree control does).
  void OnInitDialog(uint32_t logical_drives, const DriveTree::DisplayNameFn& display_name);
  // Saves the checked drives and the backup box (1 when ticked, else 0).
  void OnOK(bool backup_checked);

  DriveTree& tree() { return tree_; }
  int backup_flag() const { return backup_flag_; }
  bool backup_checked_at_start() const { return backup_flag_ != 0; }

 private:
  SettingsStore& settings_;
  FileSystem& fs_;
  DriveTree tree_;
  int backup_flag_ = 1;
};

}  // namespace mendora
