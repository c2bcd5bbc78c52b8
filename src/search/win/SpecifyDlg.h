#pragma once
// The manual locate dialog's window: the system's open-file dialog (Explorer
// style) with child template 133 naming the missing file. Opening a folder
// puts the missing name into the file-name box when that folder holds it as
// a DV file, else "*.avi"; a chosen file that is not DV is refused with the
// error dialog and the dialog stays open. The checks and the settings belong
// to mendora::CSpecifyLocDlg.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "search/SpecifyDlg.h"

namespace mendora::win {

class CSpecifyLocDlg {
 public:
  static constexpr size_t kFileNameSize = 10000;

  explicit CSpecifyLocDlg(mendora::CSpecifyLocDlg& locate, HWND parent = nullptr);
  CSpecifyLocDlg(const CSpecifyLocDlg&) = delete;
  CSpecifyLocDlg& operator=(const CSpecifyLocDlg&) = delete;

  // IDOK when a file was accepted, IDCANCEL otherwise.
  INT_PTR DoModal();
  const std::string& chosen_path() const { return chosen_path_; }
  int chosen_filter() const { return chosen_filter_; }

 private:
  static UINT_PTR CALLBACK HookProc(HWND hook, UINT message, WPARAM wparam, LPARAM lparam);
  void OnInitDialog(HWND hook);
  void OnFolderChange(HWND explorer);
  bool OnFileNameOK(HWND explorer, const OPENFILENAMEA& ofn);

  mendora::CSpecifyLocDlg& locate_;
  std::string filter_;
  std::string title_;
  std::string initial_folder_;
  std::vector<char> file_name_;
  OPENFILENAMEA ofn_ = {};
  std::string chosen_path_;
  int chosen_filter_ = 1;
};

}  // namespace mendora::win
