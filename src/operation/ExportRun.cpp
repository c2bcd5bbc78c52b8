#include "operation/ExportRun.h"

#include "common/Texts.h"
#include "common/Types.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "platform/win_path.h"
#include "rewrite/ExportAvi.h"

namespace mendora {

namespace {

// The creation step of the progress display, doing an export.
class ExportSteps : public Steps {
 public:
  ExportSteps(FileSystem& fs, ExportOutcome* outcome) : fs_(fs), outcome_(outcome) {}
  int GetContentList(const std::string&, std::vector<std::string>*, ProgressReporter*) override { return 0; }
  int CreateAvi(const std::string& source, const std::string& output, const std::vector<std::string>&,
                const std::vector<std::string>&, const std::vector<std::string>&, int* code,
                ProgressReporter* progress) override {
    const int result = ExportDvAvi(fs_, source, output, false, outcome_, progress);
    *code = outcome_->code;
    return result;
  }

 private:
  FileSystem& fs_;
  ExportOutcome* outcome_;
};

}  // namespace

std::vector<std::string> RunExport(FileSystem& fs, OperationUi& ui, const std::vector<std::string>& files) {
  std::vector<std::string> written;
  std::string folder;
  if (!ui.BrowseFolder(LoadText(IDS_EXPORT_FOLDER_TITLE), &folder)) return written;
  const WinPath paths;
  for (const std::string& file : files) {
    const std::string output = paths.Join(folder, paths.FileName(file));
    ExportOutcome outcome;
    ExportSteps steps(fs, &outcome);
    const CreationInput input{file, output, {}, {}, {}};
    ProgressStep step(fs, steps, input);
    const int result = ui.RunStep(step);
    if (result == RC_CANCELLED) break;
    if (result == RC_OK) {
      written.push_back(output);
    } else if (result == ERR_EXPORT_LINKS) {
      // Which links, and why: the user must know what to put right.
      std::string text = LoadText(IDS_ERR_EXPORT_LINKS) + "\n\n" + file + "\n";
      for (const LinkProblem& p : outcome.problems) text += "  " + p.path + " " + p.reason + "\n";
      ui.ShowMessage(text);
    } else {
      ui.ShowError(result);
    }
  }
  if (!written.empty()) {
    std::string names;
    for (const std::string& w : written) names += (names.empty() ? "" : "\n") + w;
    ui.ShowMessage(FormatString1(LoadText(IDS_EXPORT_DONE), names));
  }
  return written;
}

}  // namespace mendora
