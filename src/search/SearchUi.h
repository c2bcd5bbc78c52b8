#pragma once
// What the search asks of the user interface. The Windows program answers
// with its dialogs, the console tool with flags or prompts, the tests with a
// script. Every call comes on the user-interface thread, never on the search
// worker: the worker only posts messages that the dialog handles.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "refavi/ContentCheck.h"

namespace mendora {

class FileSystem;
class SettingsStore;
class FoundChoice;
class ManualLocate;

// The quick DV check on one file: 0 DV, 289 cannot be opened, 290 not DV.
using DvProbeFn = std::function<int(const std::string& path)>;

// The program's DV check (a DvFileProbe opened with flags 1) on `fs`.
DvProbeFn MakeDvProbe(FileSystem& fs);

// The content check of a candidate for a missing link (as recorded): does
// it hold the frames that the reference AVI takes from that link? The
// result, and why not in words (DescribeContentCheck).
struct CandidateVerdict {
  ContentCheckResult result;
  std::string reason;
  bool ok() const { return result.ok(); }
};
using ContentCheckFn = std::function<CandidateVerdict(const std::string& missing_link, const std::string& candidate)>;

// The content check against the reference AVI at `avi_path`. Its frames are
// `frames` when given (the analysis of an operation found them, and they are
// only read, from any thread); else they are read once, at the first check
// (on the thread that calls it). A reference that cannot be read passes no
// candidate.
ContentCheckFn MakeContentCheck(FileSystem& fs, const std::string& avi_path,
                                std::shared_ptr<const ReferenceFrames> frames = nullptr);

// What the search works with besides the user: the file system, the
// settings store, the DV check and the content check (none: every DV file
// passes).
struct SearchServices {
  FileSystem& fs;
  SettingsStore& settings;
  DvProbeFn probe;
  ContentCheckFn check = nullptr;
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

  // The error dialog for a refused manual choice (289 or 290), or for a walk
  // that could not start (ERR_NO_THREAD).
  virtual void ShowError(int code) = 0;

  // A plain message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;

  // The search dialog's texts: the folder being walked, and the names still
  // missing (one a line).
  virtual void ShowFolder(const std::string& folder) = 0;
  virtual void ShowMissingList(const std::string& text) { (void)text; }

  // The question box after a file was found or located in another folder
  // and other missing files were found through that change of folder
  // (IDS_FOUND_OTHERS with their number). `places` are the missing links and
  // where they were found. True for Yes: take them all.
  virtual bool AskUpdateOthers(const std::string& text,
                               const std::vector<std::pair<std::string, std::string>>& places) {
    (void)text;
    (void)places;
    return false;
  }

  // A candidate of the right name that is DV but does not hold the frames
  // of the missing link: passed over without a question. `reason` says why
  // (DescribeContentCheck). The program says nothing; the console tool tells.
  virtual void ShowPassedOver(const std::string& candidate, const std::string& missing_link,
                              const std::string& reason) {
    (void)candidate;
    (void)missing_link;
    (void)reason;
  }

  // A file located by hand that does not hold the frames: `text` is
  // IDS_NOT_THE_FRAMES with its path, `reason` why. The locate dialog then
  // asks again.
  virtual void ShowNotTheFrames(const std::string& text, const std::string& reason) {
    (void)reason;
    ShowMessage(text);
  }

};

}  // namespace mendora
