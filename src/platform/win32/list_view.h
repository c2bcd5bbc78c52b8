#pragma once
// A report-style list view (SysListView32) of a dialog, with texts in the
// ANSI code page as the rest of the window kit: columns, rows of cell
// texts, the selection, and the text of a cell.
#include <windows.h>

#include <string>
#include <vector>

namespace mendora::win {

class ListView {
 public:
  explicit ListView(HWND control = nullptr) : control_(control) {}
  void Attach(HWND control) { control_ = control; }
  HWND hwnd() const { return control_; }

  // Whole rows are selected and the grid is drawn.
  void SetFullRowSelect();
  // Appends a column; `width` in pixels.
  void AddColumn(const std::string& title, int width);
  // Appends a row; returns its index, -1 on failure.
  int AddRow(const std::vector<std::string>& cells);
  void Clear();
  int Count() const;
  std::string Text(int row, int column) const;
  // The selected row, -1 when none.
  int Selected() const;
  void Select(int row);

 private:
  HWND control_;
  int columns_ = 0;
};

}  // namespace mendora::win
