// rewrite: the creation step on the command line.
#include <atomic>
#include <csignal>

#include "common/ErrorTable.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "rewrite/CreateAvi.h"

namespace mendora::cli {

namespace {

// Ctrl-C clears the running flag of the step in progress, as Cancel does in
// the progress dialog: the step stops after the chunk in hand with 519 and
// the output is closed with its headers.
std::atomic<int>* g_running = nullptr;

void OnRewriteInterrupt(int) {
  if (g_running != nullptr) g_running->store(0);
}

int Rewrite(Context& context, const std::vector<std::string>& arguments) {
  if (arguments.size() < 2 || arguments.size() % 2 != 0) {
    std::fprintf(context.err, "usage: mendora-cli rewrite SRC OUT [OLD NEW]...\n");
    return 2;
  }
  const std::string source = context.core_path(arguments[0]);
  const std::string output = context.core_path(arguments[1]);
  // The creation step leaves the code 0 for a source it cannot load (in the
  // program the analysis has opened it just before); here it is said plainly.
  if (context.fs.Open(source, OpenMode::kRead) == nullptr) {
    std::fprintf(context.err, "error %d: %s\n", ERR_DV_OPEN_FAILED,
                 ErrorMessageFor(ERR_DV_OPEN_FAILED).message.c_str());
    return 1;
  }
  // The pairs are paths as the REF records hold them, used as given.
  std::vector<const char*> old_paths, new_paths;
  for (size_t k = 2; k < arguments.size(); k += 2) {
    old_paths.push_back(arguments[k].c_str());
    new_paths.push_back(arguments[k + 1].c_str());
  }
  old_paths.push_back(nullptr);
  new_paths.push_back(nullptr);

  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  g_running = &running;
  auto previous = std::signal(SIGINT, OnRewriteInterrupt);
  int code = 0, detail = -1;
  const int result = CreateRefAvi(context.fs, source.c_str(), output.c_str(), old_paths.data(), new_paths.data(),
                                  &code, &detail, &progress);
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  g_running = nullptr;
  if (result) progress.Post(100);
  bar.Finish();
  if (!result) {
    std::fprintf(context.err, "error %d: %s\n", code, ErrorMessageFor(code).message.c_str());
    if (code == 0) std::fprintf(context.err, "%s is not an AVI file that can be read\n", arguments[0].c_str());
    return 1;
  }
  return 0;
}

}  // namespace

void AddRewriteCommands(std::vector<Command>* table) {
  table->push_back({"rewrite", "SRC OUT [OLD NEW]...",
                    "Writes a new reference AVI with the data links OLD replaced by NEW.", {}, Rewrite});
}

}  // namespace mendora::cli
