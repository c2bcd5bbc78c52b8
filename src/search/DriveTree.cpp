#include "search/DriveTree.h"

#include "common/CommonFunc.h"
#include "platform/win_path.h"

namespace mendora {

DriveTree::DriveTree(SettingsStore& settings, FileSystem& fs) : settings_(settings), fs_(fs) {
  CommonFunc(settings_, fs_).LoadSettings(SETTING_SEARCH_DRIVES, nullptr, nullptr, &drive_mask_, nullptr);
}

void DriveTree::Fill(uint32_t logical_drives, const DisplayNameFn& display_name) {
  for (int k = 0; k < 26; ++k) {
    if ((logical_drives & (1u << k)) == 0) continue;
    const std::string root{static_cast<char>('A' + k), ':', '\\'};
    const int item = InsertDriveItem(root, kRoot, display_name ? display_name(root) : std::string());
    if (drive_mask_ & (1u << k)) items_[item].checked = true;
  }
}

int DriveTree::InsertDriveItem(const std::string& path, int parent, const std::string& display_name) {
  items_.push_back(Item{path + display_name, parent, false});
  return static_cast<int>(items_.size()) - 1;
}

std::string DriveTree::GetItemPath(int item) const {
  std::string path;
  for (int i = item; i >= 0 && i < item_count(); i = items_[i].parent) {
    const std::string& text = items_[i].text;
    if (WinPath().EndsWithSeparator(text)) {
      path = text + path;
    } else {
      path = text + (path.empty() ? "" : "\\") + path;
    }
  }
  return path;
}

int DriveTree::SaveSelection() {
  if (!items_.empty()) {
    drive_mask_ = 0;
    checked_count_ = 0;
    for (int i = 0; i < item_count(); ++i) {
      if (items_[i].parent != kRoot || !items_[i].checked) continue;
      const std::string path = GetItemPath(i);
      if (path.empty()) continue;
      drive_mask_ |= 1u << ((static_cast<unsigned char>(path[0]) - 'A') & 31);
      ++checked_count_;
    }
  }
  CommonFunc(settings_, fs_).SaveSettings(SETTING_SEARCH_DRIVES, std::string(), 0, drive_mask_, 0);
  return checked_count_;
}

}  // namespace mendora
