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

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/settings_store.h"
#include "platform/win32/file_dialog.h"

namespace mendora {
class FileSystem;
}  // namespace mendora

namespace mendora::win {

// The folder of a selection, with its trailing backslash: what the paths
// share before their file names. Empty when the first has no backslash.
std::string SelectionFolder(const std::vector<std::string>& paths);

class CAviFileSelectDlg : public FileDialog {
 public:
  static constexpr size_t kSelectionSize = 10000;

  // As the main dialog calls it: the mode, TRUE (open), no default
  // extension, "", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, the filter, no
  // parent.
  CAviFileSelectDlg(OperationMode mode, BOOL open_file, const char* default_ext, const char* file_name, DWORD flags,
                    const char* filter, HWND parent);

  const std::string& caption() const { return caption_; }
  const std::string& initial_folder() const { return initial_folder_; }
  int filter_index() const { return filter_index_; }

 protected:
  // Checks the selection and runs the operation; false (the selection was
  // refused) keeps the dialog open.
  bool OnFileNameOk() override;

 private:
  int CollectSelection(const std::vector<std::string>& paths, int filter_index);
  void RunOperation();

  OperationMode mode_;
  FileSystem& fs_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<MessageSink> messages_;
  CommonFunc common_;
  std::string initial_folder_;
  int filter_index_ = 1;
  std::vector<std::string> selected_;
  std::string caption_;
};

}  // namespace mendora::win
