#include "platform/win32/list_view.h"

#include <commctrl.h>

#include <algorithm>

namespace mendora::win {

void ListView::SetFullRowSelect() {
  SendMessageA(control_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
}

void ListView::AddColumn(const std::string& title, int width) {
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<char*>(title.c_str());
  column.cx = width;
  column.iSubItem = columns_;
  if (SendMessageA(control_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns_), reinterpret_cast<LPARAM>(&column)) !=
      -1)
    ++columns_;
}

int ListView::AddRow(const std::vector<std::string>& cells) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT;
  item.iItem = Count();
  item.pszText = const_cast<char*>(cells.empty() ? "" : cells[0].c_str());
  const int row = static_cast<int>(SendMessageA(control_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return -1;
  for (size_t i = 1; i < cells.size(); ++i) {
    LVITEMA cell = {};
    cell.iSubItem = static_cast<int>(i);
    cell.pszText = const_cast<char*>(cells[i].c_str());
    SendMessageA(control_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
  }
  return row;
}

void ListView::Clear() { SendMessageA(control_, LVM_DELETEALLITEMS, 0, 0); }

int ListView::Count() const { return static_cast<int>(SendMessageA(control_, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListView::Text(int row, int column) const {
  // The control says how much it copied; a text that filled the buffer may
  // be longer, so the buffer grows until it does not.
  for (size_t size = 512;; size *= 2) {
    std::string text(size, '\0');
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(size);
    const auto n = static_cast<size_t>(
        SendMessageA(control_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (n + 1 < size || size >= 65536) {
      text.resize(std::min(n, size));
      return text;
    }
  }
}

int ListView::Selected() const {
  return static_cast<int>(SendMessageA(control_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::Select(int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(control_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

}  // namespace mendora::win
