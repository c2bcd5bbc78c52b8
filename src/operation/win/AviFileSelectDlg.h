#pragma once
// The file selection dialog of Fix, Move and Copy: the system's open-file
// dialog (Explorer style, multiple selection) for reference AVI files. When
// the user confirms, every chosen file must pass the DV check; then the
// folder and the file type are remembered and the whole operation runs
// before the dialog closes. A refused selection shows the error dialog and
// leaves the dialog open for another choice.
#include <windows.h>
#include <commdlg.h>

#include <memory>
#include <string>
#include <vector>

#include "app/CommonFunc.h"
#include "app/Types.h"
#include "platform/settings_store.h"

namespace mendora {

class FileSystem;
class SettingsStore;

// The selection in the file-name buffer of an Explorer-style open dialog:
// "path\0\0" for one file, "folder\0name\0name\0\0" for several. Returns
// the full paths in the dialog's order and the folder (with its trailing
// backslash) in `folder`. Reads no further than `size` bytes.
std::vector<std::string> ParseFileSelection(const char* buffer, size_t size, std::string* folder);

// "A|a|B|b||" as the system wants a filter: NUL-separated, ending in two NULs.
std::string SystemFilter(const std::string& filter);

class CAviFileSelectDlg {
 public:
  static constexpr size_t kSelectionSize = 10000;

  // As the main dialog calls it: the mode, TRUE (open), no default
  // extension, "", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, the filter, no
  // parent.
  CAviFileSelectDlg(OperationMode mode, BOOL open_file, const char* default_ext, const char* file_name, DWORD flags,
                    const char* filter, HWND parent);
  ~CAviFileSelectDlg();
  CAviFileSelectDlg(const CAviFileSelectDlg&) = delete;
  CAviFileSelectDlg& operator=(const CAviFileSelectDlg&) = delete;

  // IDOK after a confirmed selection (the operation has run), IDCANCEL
  // otherwise.
  INT_PTR DoModal();

  const std::string& caption() const { return caption_; }
  const std::string& initial_folder() const { return initial_folder_; }
  int filter_index() const { return filter_index_; }

  // The confirmation: checks the selection in the file-name buffer and runs
  // the operation. True keeps the dialog open (the selection was refused).
  bool OnFileNameOK(const char* selection, size_t size, int filter_index);

 private:
  static UINT_PTR CALLBACK HookProc(HWND hook, UINT message, WPARAM wparam, LPARAM lparam);
  int CollectSelection(const char* selection, size_t size, int filter_index);
  void RunOperation();

  OperationMode mode_;
  FileSystem& fs_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<MessageSink> messages_;
  CommonFunc common_;
  std::string initial_folder_;
  int filter_index_ = 1;
  std::vector<char> selection_;
  std::vector<std::string> selected_;
  std::string caption_;
  std::string filter_;
  std::string default_ext_;
  OPENFILENAMEA ofn_ = {};
  HWND explorer_ = nullptr;
};

}  // namespace mendora
