#include "search/win/TreeCtrlEx.h"

#include <shellapi.h>
#include <shlobj.h>

namespace mendora::win {

std::string DriveDisplayName(const std::string& root) {
  SHFILEINFOA info = {};
  if (SHGetFileInfoA(root.c_str(), 0, &info, sizeof(info), SHGFI_DISPLAYNAME) == 0) return {};
  return info.szDisplayName;
}

void CTreeCtrlEx::Attach(HWND tree) {
  tree_ = tree;
  items_.clear();

  // The system's small-icon list, reached through the desktop's item.
  PIDLIST_ABSOLUTE desktop = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)) && desktop != nullptr) {
    SHFILEINFOA info = {};
    const auto list = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktop), 0, &info, sizeof(info),
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (list != nullptr) SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
    CoTaskMemFree(desktop);
  }

  // Check boxes given in the template are not always ready for items set
  // checked at once: switch the style on afresh before filling.
  const LONG style = GetWindowLongA(tree_, GWL_STYLE);
  SetWindowLongA(tree_, GWL_STYLE, style & ~TVS_CHECKBOXES);
  SetWindowLongA(tree_, GWL_STYLE, style | TVS_CHECKBOXES);

  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  drives_.Fill(GetLogicalDrives(), [](const std::string&) { return std::string(); });
  for (int i = 0; i < drives_.item_count(); ++i) {
    // The logic item's text is the root; the control shows the root with
    // the shell's name after it.
    const std::string root = drives_.item_text(i);
    HTREEITEM item = InsertDriveItem(root, TVI_ROOT);
    items_.push_back(item);
    if (item != nullptr && drives_.checked(i)) SetCheck(item, true);
  }
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tree_, nullptr, TRUE);
}

HTREEITEM CTreeCtrlEx::InsertDriveItem(const std::string& path, HTREEITEM parent) {
  SHFILEINFOA icon = {};
  SHGetFileInfoA(path.c_str(), 0, &icon, sizeof(icon), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  SHFILEINFOA open = {};
  SHGetFileInfoA(path.c_str(), 0, &open, sizeof(open), SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
  const std::string text = path + DriveDisplayName(path);

  TVINSERTSTRUCTA insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.iImage = icon.iIcon;
  insert.item.iSelectedImage = open.iIcon;
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool CTreeCtrlEx::IsChecked(HTREEITEM item) const {
  const auto state = static_cast<UINT>(SendMessageA(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                                    TVIS_STATEIMAGEMASK));
  return ((state & TVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CTreeCtrlEx::SetCheck(HTREEITEM item, bool checked) {
  TVITEMA tv = {};
  tv.mask = TVIF_HANDLE | TVIF_STATE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
}

void CTreeCtrlEx::CollectChecks() {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] != nullptr) drives_.set_checked(static_cast<int>(i), IsChecked(items_[i]));
}

int CTreeCtrlEx::SaveSelection() {
  CollectChecks();
  return drives_.SaveSelection();
}

}  // namespace mendora::win
