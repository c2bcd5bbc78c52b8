#pragma once
// The drive tree of the Preference dialog on its tree-view control: one item
// per drive present with the shell's display name and the drive's small
// icons from the system image list, a check box per item. The drive mask and
// its saving belong to DriveTree.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "search/DriveTree.h"

namespace mendora::win {

class CTreeCtrlEx {
 public:
  explicit CTreeCtrlEx(DriveTree& drives) : drives_(drives) {}

  // Binds the control and fills it (the image list, then every drive
  // present, checked when in the drive mask).
  void Attach(HWND tree);

  // Inserts `path` with the shell's icons and display name under `parent`,
  // last.
  HTREEITEM InsertDriveItem(const std::string& path, HTREEITEM parent);
  // Hands the control's check marks to the drive mask's items.
  void CollectChecks();
  // Takes the check marks into the drive mask and saves it; the number of
  // checked items.
  int SaveSelection();

  bool IsChecked(HTREEITEM item) const;
  void SetCheck(HTREEITEM item, bool checked);

 private:
  DriveTree& drives_;
  HWND tree_ = nullptr;
  std::vector<HTREEITEM> items_;  // the control's item for each logic item
};

// The shell's display name of a drive root ("Local Disk (C:)").
std::string DriveDisplayName(const std::string& root);

}  // namespace mendora::win
