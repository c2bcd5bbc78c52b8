#pragma once
// What the operation driver asks of the user. The Windows program answers
// with its dialogs, the console tool with flags or prompts, tests with a
// script.
#include <memory>
#include <string>
#include <vector>

#include "common/CommonFunc.h"

namespace mendora {

class ProgressStep;
struct ReferenceFrames;

class OperationUi : public MessageSink {
 public:
  // Runs `step` to its end under a progress display that may cancel it, and
  // returns step.Result(). (The progress dialog, modal.)
  virtual int RunStep(ProgressStep& step) = 0;

  // The search for missing data files. `avi_path` is the reference AVI
  // (whose frames a candidate must hold), `avi_name` its file name without
  // its folder; `missing` the recorded paths that do not exist. `found` and
  // `found_flags` come sized to missing.size(), empty and 0; the search fills
  // a replacement path and sets the flag to 1 for every link it resolves.
  // Returns IDCANCEL when the user gave up the search, otherwise 1 when every
  // link was resolved and 0 when some was not. The searches of one run may
  // share what they learn (the drives walked, the folder mappings).
  // `frames` is what the analysis found the reference takes from each link,
  // for the content check of the candidates (MakeContentCheck), so that the
  // reference is not read again; null when the analysis did not tell it.
  virtual int SearchMissing(const std::string& avi_path, const std::string& avi_name,
                            const std::vector<std::string>& missing, std::vector<std::string>& found,
                            std::vector<int>& found_flags, const std::shared_ptr<const ReferenceFrames>& frames) = 0;

  // Data files the run has put at these paths (a carry's targets), so that a
  // search later in the run finds them there.
  virtual void NoteNewFiles(const std::vector<std::string>& paths) { (void)paths; }

  // A Retry/Cancel message box (no icon). True for Retry.
  virtual bool AskRetry(const std::string& text) = 0;

  // The folder browser with `title`. False when the user cancelled; else
  // the chosen folder (a Windows path) in `folder`.
  virtual bool BrowseFolder(const std::string& title, std::string* folder) = 0;

  // The overwrite question listing `path` under `warning` with `question`
  // (the existing files dialog). IDOK or IDCANCEL.
  virtual int AskOverwrite(const std::string& warning, const std::string& path, const std::string& question) = 0;

  // Asks whether to put right a run of this file that was interrupted
  // (a question box with Yes and No). True for Yes.
  virtual bool AskRecover(const std::string& text) = 0;

  // A plain message box with an OK button (MessageSink::ShowMessage; also
  // where ReportLastError shows the system's text).

  // The error dialog for `code`.
  virtual void ShowError(int code) = 0;
};

}  // namespace mendora
