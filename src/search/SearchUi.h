#pragma once
// What the search asks of the user interface. The Windows program answers
// with its dialogs, the console tool with flags or prompts, the tests with a
// script. Every call comes on the user-interface thread, never on the search
// worker: the worker only posts messages that the dialog handles.
#include <functional>
#include <string>

namespace mendora {

class FileSystem;
class SettingsStore;
class FoundChoice;
class ManualLocate;

// The quick DV check on one file: 0 DV, 289 cannot be opened, 290 not DV.
using DvProbeFn = std::function<int(const std::string& path)>;

// The program's DV check (a DvFileProbe opened with flags 1) on `fs`.
DvProbeFn MakeDvProbe(FileSystem& fs);

// What the search works with besides the user: the file system, the
// settings store and the DV check.
struct SearchServices {
  FileSystem& fs;
  SettingsStore& settings;
  DvProbeFn probe;
};

// The buttons of the found similar file dialog.
enum class FoundButton { kOk, kNext, kReference, kCancel };

class SearchUi {
 public:
  virtual ~SearchUi() = default;

  // The found similar file dialog: shows its texts, returns the button.
  virtual FoundButton AskFound(const FoundChoice& dlg) = 0;

  // One choice in the manual locate dialog (the system's open-file dialog):
  // the full path and the file type index chosen, or false for Cancel. Called
  // again after a refused choice. Implementations may call
  // dlg.OnFolderChange() for each folder the user opens.
  virtual bool ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) = 0;

  // The error dialog for a refused manual choice (289 or 290).
  virtual void ShowError(int code) = 0;

  // A plain message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;

  // The search dialog's texts: the folder being walked, and the names still
  // missing (one a line).
  virtual void ShowFolder(const std::string& folder) = 0;
  virtual void ShowMissingList(const std::string& text) { (void)text; }
};

}  // namespace mendora
