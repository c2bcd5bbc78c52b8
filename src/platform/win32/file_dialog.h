#pragma once
// The system's Explorer-style open (or save) dialog with a hook, in place of
// the framework's CFileDialog: optional child template from the program's
// resources, notifications to virtual handlers, multiple selection.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

namespace mendora::win {

// "Avi Files (*.avi)|*.avi|All Files (*.*)|*.*||" in the system's form,
// pairs separated by NULs and ended by two.
std::string FilterFromBars(const std::string& filter);

// The paths in a result buffer: one full path, or with multiple selection
// the folder followed by the file names, each ended by a NUL, the list by
// a second NUL. Reads at most `size` bytes.
std::vector<std::string> SplitSelection(const char* buffer, size_t size);

class FileDialog {
 public:
  // As CFileDialog: open or save, default extension (without dot, may be
  // empty), initial file name, OFN_* flags, filter with '|' separators.
  FileDialog(bool open, const std::string& default_ext, const std::string& file_name, DWORD flags,
             const std::string& filter, HWND parent = nullptr);
  virtual ~FileDialog() = default;
  FileDialog(const FileDialog&) = delete;
  FileDialog& operator=(const FileDialog&) = delete;

  // The structure handed to the system, for the caller's adjustments
  // (flags, initial folder, filter index, structure size). The hook, its
  // data and the file buffer are set again by DoModal.
  OPENFILENAMEA& ofn() { return ofn_; }
  // Places the child template `id` of the program's resources into the
  // system dialog.
  void SetChildTemplate(UINT id);
  // Room for the selected names, in characters (multiple selection needs it).
  void SetBufferSize(size_t chars);

  // IDOK, IDCANCEL, or -1 when the dialog failed (error() holds the
  // common dialog error, or Dialog's handler error when a handler threw).
  INT_PTR DoModal();
  DWORD error() const { return error_; }

  // The selection after IDOK (also valid inside OnFileNameOk).
  std::vector<std::string> Paths() const;
  // The child dialog while open (null otherwise) and the system dialog
  // that holds it.
  HWND hwnd() const { return child_; }
  HWND explorer() const { return child_ != nullptr ? GetParent(child_) : nullptr; }

 protected:
  // The child dialog is being created.
  virtual bool OnInitDialog() { return true; }
  // The system dialog is complete and about to be shown.
  virtual void OnInitDone() {}
  // OK was pressed with a valid name; false keeps the dialog open.
  virtual bool OnFileNameOk() { return true; }
  virtual void OnSelChange() {}
  virtual void OnFolderChange() {}
  // Any other message of the child dialog.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

 private:
  static UINT_PTR CALLBACK Hook(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;
  UINT_PTR Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  bool open_;
  std::string default_ext_;
  std::string filter_;
  std::vector<char> buffer_;
  OPENFILENAMEA ofn_ = {};
  HWND child_ = nullptr;
  DWORD error_ = 0;
};

}  // namespace mendora::win
