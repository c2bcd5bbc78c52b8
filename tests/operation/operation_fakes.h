#pragma once
// Stand-ins for the operation tests: a reference AVI reduced to a text file
// of its data links, read and written through the file-system port so that
// faults reach it, and a user who answers from a script.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "operation/OperationUi.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "platform/fs.h"

namespace mendora::test {

// "REFAVI\n" then one data-link path a line. Read and written in 24-byte
// blocks with a report after each, so faults and cancels can hit every part.
std::string FakeAvi(const std::vector<std::string>& links);
// The links of a fake reference AVI; false when it is not one.
bool ParseFakeAvi(const std::string& bytes, std::vector<std::string>* links);

class FakeSteps : public Steps {
 public:
  explicit FakeSteps(FileSystem& fs) : fs_(fs) {}
  int GetContentList(const std::string& path, std::vector<std::string>* links, ProgressReporter* progress) override;
  int CreateAvi(const std::string& source, const std::string& output, const std::vector<std::string>& links,
                const std::vector<std::string>& old_paths, const std::vector<std::string>& new_paths, int* code,
                ProgressReporter* progress) override;

  int creations = 0;
  std::vector<std::string> last_old, last_new;

 private:
  bool ReadAll(const std::string& path, std::string* bytes, ProgressReporter* progress, int scale);
  FileSystem& fs_;
};

// Every interaction lands in `log`, in order: "step: <caption>",
// "search: <name>", "retry: <text>", "recover: <text>", "browse: <title>",
// "overwrite: <warning>|<path>|<question>", "message: <text>", "error: <code>".
class ScriptedUi : public OperationUi {
 public:
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

  // Script.
  std::map<std::string, std::string> locate;  // missing path -> found path
  bool cancel_search = false;
  std::deque<bool> retries;                   // answers to Retry/Cancel; Cancel when empty
  bool recover = true;                        // the answer to the recovery question
  std::string folder;                         // empty: the browser is cancelled
  int overwrite = 1;                          // IDOK
  int cancel_at_report = -1;                  // cancel at this report (counted over the run)
  int cancel_in_kind = -1;                    // ... or at the first report of this step kind
  int cancel_in_kind_at = 0;                  //     (its n-th report)

  std::vector<std::string> log;
  std::vector<std::string> noted;  // NoteNewFiles, every path in order
  std::vector<std::string> messages;
  std::vector<int> errors;
  int reports = 0;

 private:
  ProgressPump pump_;
};

}  // namespace mendora::test
