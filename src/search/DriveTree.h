#pragma once
// The drive tree of the Preference dialog, without its window: one item per
// drive present, checked when the drive is in the search drives; saving
// rebuilds the drive mask from the check marks.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mendora {

class FileSystem;
class SettingsStore;

class DriveTree {
 public:
  // The shell's display name of a drive root ("Local Disk (C:)"), may be empty.
  using DisplayNameFn = std::function<std::string(const std::string& root)>;
  static constexpr int kRoot = -1;

  // Reads the search drives.
  DriveTree(SettingsStore& settings, FileSystem& fs);

  // One root item per drive present (bit k of `logical_drives` is drive
  // 'A' + k), in alphabetical order, checked when in the drive mask.
  void Fill(uint32_t logical_drives, const DisplayNameFn& display_name);
  // Appends an item with text `path` + `display_name` under `parent`.
  int InsertDriveItem(const std::string& path, int parent, const std::string& display_name);
  // The item's text with those of its parents in front, joined by
  // backslashes; a drive item's path is its own text.
  std::string GetItemPath(int item) const;
  // Rebuilds the drive mask from the checked root items and saves it.
  // Returns the number of checked items. An empty tree leaves the mask alone.
  int SaveSelection();

  int item_count() const { return static_cast<int>(items_.size()); }
  const std::string& item_text(int item) const { return items_[item].text; }
  bool checked(int item) const { return items_[item].checked; }
  void set_checked(int item, bool checked) { items_[item].checked = checked; }
  uint32_t drive_mask() const { return drive_mask_; }
  int checked_count() const { return checked_count_; }

 private:
  struct Item {
    std::string text;
    int parent = kRoot;
    bool checked = false;
  };

  SettingsStore& settings_;
  FileSystem& fs_;
  std::vector<Item> items_;
  uint32_t drive_mask_ = 0;
  int checked_count_ = 0;
};

}  // namespace mendora
