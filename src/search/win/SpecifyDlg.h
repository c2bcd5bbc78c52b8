#pragma once
// The manual locate dialog's window: the system's open-file dialog (Explorer
// style) with child template 133 naming the missing file. Opening a folder
// puts the missing name into the file-name box when that folder holds it as
// a DV file, else "*.avi"; a chosen file that is not DV is refused with the
// error dialog and the dialog stays open. The checks and the settings belong
// to ManualLocate.
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "platform/win32/file_dialog.h"
#include "search/ManualLocate.h"

namespace mendora::win {

class CSpecifyLocDlg : public FileDialog {
 public:
  static constexpr size_t kFileNameSize = 10000;

  explicit CSpecifyLocDlg(ManualLocate& locate, HWND parent = nullptr);

  // After IDOK: the accepted file and the file type shown.
  const std::string& chosen_path() const { return chosen_path_; }
  int chosen_filter() const { return chosen_filter_; }

 protected:
  bool OnInitDialog() override;
  void OnFolderChange() override;
  bool OnFileNameOk() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  void ShowNameForFolder();

  ManualLocate& locate_;
  std::string title_;
  std::string initial_folder_;
  std::string chosen_path_;
  int chosen_filter_ = 1;
};

}  // namespace mendora::win
