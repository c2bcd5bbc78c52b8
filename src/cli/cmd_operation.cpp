// fix, copy and move: the operation driver with the console as its user.
//
//   --to DIR         the destination folder (the folder browser's answer)
//   --yes            answers the overwrite question with OK; a Retry/Cancel
//                    question is always answered Cancel when nobody can
//                    change the file in between (no terminal)
//   --locate OLD=NEW a missing data file's current place (repeatable); the
//                    first '=' splits, so OLD holds no '='
//   --map OLD=NEW    the files of folder OLD (as recorded) are now in folder
//                    NEW (repeatable): tried before anything is searched, and
//                    taken without a question when they hold the frames
//   --backup 0|1     keep a backup of the replaced reference AVI, for this
//                    run only, whatever the setting says
//   --drives LETTERS the drives the search for missing data files walks
//                    (e.g. CDE), for this run only, instead of the setting
//   --accept-first   accept the first file the search offers for each
//                    missing data file, and the files found through a folder
//                    mapping learned from an accepted or located one
//   --dry-run        run up to the first change on the disk and print the
//                    plan instead: links, carried files, new, temporary and
//                    backup names; nothing is written, settings included
// Missing data files are tried at the mapped places first, then searched
// for on the drives (each drive walked once for the whole run); what the
// search does not resolve goes to manual location (--locate, or the prompt).
// Every candidate must hold the frames of its link (the content check).
// With stdin a terminal, every question left open is asked there. Results go
// to stdout, errors to stderr; the status is 0 only when every file ended
// with its finished message.
#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <optional>

#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "common/Types.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "operation/Journal.h"
#include "operation/Operation.h"
#include "operation/OperationUi.h"
#include "operation/ProgramSteps.h"
#include "operation/SelectionRun.h"
#include "operation/Progress.h"
#include "platform/settings_store.h"
#include "platform/wintypes.h"
#include "cli/ConsoleSearchUi.h"
#include "cli/DryRunSettings.h"
#include "refavi/DvFileProbe.h"
#include "search/DriveSearch.h"
#include "search/RunMemory.h"

namespace mendora::cli {

namespace {

// Ctrl-C cancels the running step, which then undoes its work, instead of
// ending the process half-way through a move.
std::atomic<int> g_interrupted{0};
extern "C" void OnInterrupt(int) { g_interrupted.store(1); }

struct Options {
  std::string to;
  bool yes = false;
  int backup = -1;
  std::map<std::string, std::string> locate;
  std::vector<std::pair<std::string, std::string>> map;
  std::optional<uint32_t> drives;
  bool accept_first = false;
  bool dry_run = false;
  std::vector<std::string> files;
};

// A dry run's plan on stdout, with the results.
class ConsolePlan : public DryRunSink {
 public:
  explicit ConsolePlan(std::FILE* out) : out_(out) {}
  void Plan(const RunPlan& plan) override {
    const std::string text = FormatPlan(plan);
    std::fwrite(text.data(), 1, text.size(), out_);
    std::fflush(out_);
  }

 private:
  std::FILE* out_;
};

// The bar is drawn at most this often; reports in between are held back.
constexpr std::chrono::milliseconds kBarInterval{25};

class ConsoleUi : public OperationUi {
 public:
  ConsoleUi(Context& context, FileSystem& fs, SettingsStore& settings, const Options& options, std::FILE* in,
            bool interactive)
      : c_(context), fs_(fs), settings_(settings), o_(options), in_(in), interactive_(interactive) {
    for (const auto& [old_folder, new_folder] : o_.map) memory_.mapping.Give(old_folder, c_.core_path(new_folder));
    pump_.set_interval(kBarInterval);
  }

  int RunStep(ProgressStep& step) override {
    ProgressBar bar(c_.err, c_.progress_bar);
    const int r = pump_.Run(step, [&bar](int percent) {
      if (g_interrupted.load() != 0) return false;
      bar.Report(percent);
      return true;
    });
    bar.Finish();
    return r;
  }

  int SearchMissing(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags,
                    const std::shared_ptr<const ReferenceFrames>& frames) override {
    ConsoleSearchOptions console;
    console.accept_first = o_.accept_first;
    console.interactive = interactive_;
    console.to_core_path = c_.core_path;
    for (const auto& [old_path, new_path] : o_.locate) console.locate.emplace_back(old_path, c_.core_path(new_path));
    // The search's questions and messages go with the other questions, to
    // stderr; stdout keeps the results.
    ConsoleSearchUi ui(in_, c_.err, c_.err, std::move(console));
    SearchOptions search;
    search.drives = o_.drives;
    search.cancel_requested = [] { return g_interrupted.load() != 0; };
    // One memory for the run: its drives are walked once, and what one file
    // teaches of moved folders serves the next.
    search.memory = &memory_;
    const int result = SearchMissingFiles(avi_name, missing, found, found_flags,
                                          SearchServices{fs_, settings_, MakeDvProbe(fs_), MakeContentCheck(fs_, avi_path, frames)},
                                          ui, search);
    for (size_t i = 0; i < missing.size(); ++i)
      if (found_flags[i] == 0)
        std::fprintf(c_.err, "mendora-cli: %s: missing data file not located: %s\n", avi_name.c_str(),
                     missing[i].c_str());
    return result;
  }

  void NoteNewFiles(const std::vector<std::string>& paths) override {
    for (const std::string& path : paths) memory_.walk.NoteFile(path);
  }

  bool AskRetry(const std::string& text) override {
    std::fprintf(c_.err, "%s\n", text.c_str());
    if (!interactive_) return false;
    const std::string answer = Ask("[r]etry or [c]ancel? ");
    return !answer.empty() && (answer[0] == 'r' || answer[0] == 'R');
  }

  // The console tool puts an interrupted run right without asking: nothing
  // else can be done with the file until it is, and it prints what it did.
  bool AskRecover(const std::string& text) override {
    std::fprintf(c_.err, "%s yes\n", text.c_str());
    return true;
  }

  bool BrowseFolder(const std::string& title, std::string* folder) override {
    std::string chosen = o_.to;
    if (chosen.empty() && interactive_) chosen = Ask(title + " ");
    if (chosen.empty()) {
      std::fprintf(c_.err, "mendora-cli: no destination folder (--to DIR)\n");
      return false;
    }
    chosen = c_.core_path(chosen);
    const uint32_t attributes = fs_.GetAttributes(chosen);
    if (attributes == kInvalidAttributes || !(attributes & kAttrDirectory)) {
      std::fprintf(c_.err, "mendora-cli: %s is not a folder\n", chosen.c_str());
      return false;
    }
    *folder = chosen;
    return true;
  }

  int AskOverwrite(const std::string& warning, const std::string& path, const std::string& question) override {
    std::fprintf(c_.err, "%s\n    %s\n", warning.c_str(), path.c_str());
    if (o_.yes) return IDOK;
    if (!interactive_) {
      std::fprintf(c_.err, "%s no (--yes overwrites)\n", question.c_str());
      return IDCANCEL;
    }
    const std::string answer = Ask(question + " [y/N] ");
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? IDOK : IDCANCEL;
  }

  void ShowMessage(const std::string& text) override {
    std::fprintf(c_.out, "%s\n", text.c_str());
    std::fflush(c_.out);
  }

  void ShowError(int code) override {
    const ErrorMessage m = ErrorMessageFor(code);
    std::fprintf(c_.err, "%s: %s\n", m.caption.c_str(), m.message.c_str());
  }

 private:
  std::string Ask(const std::string& prompt) {
    std::fprintf(c_.err, "%s", prompt.c_str());
    std::fflush(c_.err);
    std::string line;
    for (int ch; (ch = std::fgetc(in_)) != EOF && ch != '\n';)
      if (ch != '\r') line += static_cast<char>(ch);
    return line;
  }

  Context& c_;
  FileSystem& fs_;
  SettingsStore& settings_;
  const Options& o_;
  std::FILE* in_;
  bool interactive_;
  ProgressPump pump_;
  RunMemory memory_;
};

bool ParseOptions(Context& context, const char* command, const std::vector<std::string>& arguments,
                  Options* options) {
  uint32_t drives = 0;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const bool has_value = i + 1 < arguments.size();
    if (a == "--to" && has_value) {
      options->to = arguments[++i];
    } else if (a == "--yes" || a == "-y") {
      options->yes = true;
    } else if (a == "--backup" && has_value && (arguments[i + 1] == "0" || arguments[i + 1] == "1")) {
      options->backup = arguments[++i][0] - '0';
    } else if (a == "--locate" && has_value && arguments[i + 1].find('=') != std::string::npos &&
               arguments[i + 1].find('=') > 0) {
      const std::string& pair = arguments[++i];
      const size_t eq = pair.find('=');
      options->locate[pair.substr(0, eq)] = pair.substr(eq + 1);
    } else if (a == "--map" && has_value && arguments[i + 1].find('=') != std::string::npos &&
               arguments[i + 1].find('=') > 0 && arguments[i + 1].find('=') + 1 < arguments[i + 1].size()) {
      const std::string& pair = arguments[++i];
      const size_t eq = pair.find('=');
      options->map.emplace_back(pair.substr(0, eq), pair.substr(eq + 1));
    } else if (a == "--drives" && has_value && ParseDriveLetters(arguments[i + 1], &drives)) {
      options->drives = drives;
      ++i;
    } else if (a == "--accept-first") {
      options->accept_first = true;
    } else if (a == "--dry-run") {
      options->dry_run = true;
    } else if (a == "--") {
      for (++i; i < arguments.size(); ++i) options->files.push_back(context.core_path(arguments[i]));
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(context.err,
                   "usage: mendora-cli %s [--to DIR] [--yes] [--drives LETTERS] [--accept-first] [--locate OLD=NEW]...\n"
                   "       [--map OLD=NEW]... [--backup 0|1] [--dry-run] FILE...\n",
                   command);
      return false;
    } else {
      options->files.push_back(context.core_path(a));
    }
  }
  if (options->files.empty()) {
    std::fprintf(context.err, "mendora-cli %s: no reference AVI file given\n", command);
    return false;
  }
  return true;
}

int RunOperation(Context& context, const std::vector<std::string>& arguments, int mode) {
  static const char* const kNames[] = {"fix", "move", "copy"};
  Options options;
  if (!ParseOptions(context, kNames[mode], arguments, &options)) return 2;
  std::unique_ptr<SettingsStore> user_settings = OpenUserSettingsStore();
  DryRunSettings dry_settings(*user_settings);
  SettingsStore* settings = options.dry_run ? &dry_settings : user_settings.get();
  ConsolePlan plan(context.out);
  ProgramSteps steps(context.fs);
  ConsoleUi ui(context, context.fs, *settings, options, context.in, IsTerminal(stdin));
  g_interrupted.store(0);
  void (*previous)(int) = std::signal(SIGINT, OnInterrupt);
  SelectionOptions run;
  run.backup = options.backup;
  run.dry_run = options.dry_run ? &plan : nullptr;
  int refused_status = kDvProbeIsDv;
  std::string refused;
  const bool finished = RunSelection(mode, options.files, context.fs, *settings, ui, steps, run, &refused_status,
                                     &refused);
  // A Ctrl-C from here on comes after the operation's end and must not turn
  // a finished run into a failure: the default, which ends the process, is
  // not put back; a handler someone else had set is.
  if (previous != SIG_DFL && previous != SIG_ERR) std::signal(SIGINT, previous);
  // As in the program's file selection, a file that cannot be opened or is
  // not DV refuses the whole selection before anything runs.
  if (refused_status != kDvProbeIsDv)
    std::fprintf(context.err, "error %d: %s\n    %s\n", refused_status, ErrorMessageFor(refused_status).message.c_str(),
                 refused.c_str());
  return finished ? 0 : 1;
}

int FixCommand(Context& c, const std::vector<std::string>& a) { return RunOperation(c, a, Fix); }
int CopyCommand(Context& c, const std::vector<std::string>& a) { return RunOperation(c, a, Copy); }
int MoveCommand(Context& c, const std::vector<std::string>& a) { return RunOperation(c, a, Move); }

}  // namespace

void AddOperationCommands(std::vector<Command>* table) {
  // What ParseOptions takes; each command lists those that mean something
  // to it.
  const Option to{"--to DIR", "the destination folder"};
  const Option yes{"--yes, -y", "overwrites a reference AVI of the same name there"};
  const Option drives{"--drives LETTERS", "walks these drives (e.g. CDE) for this run"};
  const Option accept_first{"--accept-first", "takes the first file found for each missing link"};
  const Option locate{"--locate OLD=NEW", "missing data file OLD is now at NEW (repeatable)"};
  const Option map{"--map OLD=NEW", "the files of folder OLD are now in NEW (repeatable)"};
  const Option backup{"--backup 0|1", "keeps a backup of the replaced file (1) or not (0)"};
  const Option dry_run{"--dry-run", "prints the plan; nothing is written"};
  const Option files{"--", "the arguments after it are files"};
  table->push_back({"fix", "[OPTIONS] FILE...", "Corrects the missing data links of each reference AVI in place.",
                    {drives, accept_first, locate, map, backup, dry_run, files}, FixCommand});
  table->push_back({"copy", "--to DIR [OPTIONS] FILE...",
                    "Copies each reference AVI and all its data files into DIR.",
                    {to, yes, drives, accept_first, locate, map, dry_run, files}, CopyCommand});
  table->push_back({"move", "--to DIR [OPTIONS] FILE...", "Moves each reference AVI and all its data files into DIR.",
                    {to, yes, drives, accept_first, locate, map, backup, dry_run, files}, MoveCommand});
}

}  // namespace mendora::cli
