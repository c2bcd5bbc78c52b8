#pragma once
// The operation driver's questions answered with the program's dialogs: the
// progress dialog for every step, the search dialog, Retry/Cancel and plain
// message boxes, the shell's folder browser, the overwrite question and the
// error dialog. Each opens modally over the innermost modal window.
#include <string>
#include <vector>

#include "operation/OperationUi.h"
#include "search/RunMemory.h"

namespace mendora {
class FileSystem;
class SettingsStore;
}  // namespace mendora

namespace mendora::win {

class WinOperationUi : public OperationUi {
 public:
  WinOperationUi(FileSystem& fs, SettingsStore& settings) : fs_(fs), settings_(settings) {}

  int RunStep(ProgressStep& step) override;
  int SearchMissing(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags,
                    const std::shared_ptr<const ReferenceFrames>& frames) override;
  void NoteNewFiles(const std::vector<std::string>& paths) override;
  bool AskRetry(const std::string& text) override;
  bool AskRecover(const std::string& text) override;
  bool BrowseFolder(const std::string& title, std::string* folder) override;
  int AskOverwrite(const std::string& warning, const std::string& path, const std::string& question) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(int code) override;

 private:
  FileSystem& fs_;
  SettingsStore& settings_;
  // One for the run: the drives are walked once for all its reference AVIs,
  // and a moved folder learned from one serves the next.
  RunMemory memory_;
};

// The folder that the folder browser selects when it opens. Only the GUI
// test build sets it: the browser's tree cannot be driven from outside, so
// the test has the folder selected and presses OK.
void SetBrowseInitialSelection(const std::string& folder);

}  // namespace mendora::win
