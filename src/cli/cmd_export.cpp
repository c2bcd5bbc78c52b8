// export and recover: a self-contained DV AVI from a reference AVI, and a
// reference AVI rebuilt from the whole frames of a cut one.
#include <atomic>
#include <csignal>

#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "common/ErrorTable.h"
#include "rewrite/ExportAvi.h"

namespace mendora::cli {

namespace {

// Ctrl-C cancels as the progress dialog's Cancel does: the step stops after
// the chunk in hand and the temporary output goes.
std::atomic<int>* g_running = nullptr;

void OnInterrupt(int) {
  if (g_running != nullptr) g_running->store(0);
}

struct Arguments {
  std::string source, output;
  bool replace = false;
};

bool Parse(Context& context, const std::vector<std::string>& arguments, const char* usage, Arguments* parsed) {
  std::vector<std::string> paths;
  for (const std::string& a : arguments) {
    if (a == "--yes") {
      parsed->replace = true;
    } else {
      paths.push_back(a);
    }
  }
  if (paths.size() != 2) {
    std::fprintf(context.err, "usage: mendora-cli %s\n", usage);
    return false;
  }
  parsed->source = context.core_path(paths[0]);
  parsed->output = context.core_path(paths[1]);
  return true;
}

void PrintError(Context& context, int code, const std::string& output) {
  std::fprintf(context.err, "error %d: %s\n", code, ErrorMessageFor(code).message.c_str());
  if (code == ERR_EXPORT_EXISTS) std::fprintf(context.err, "%s exists; --yes replaces it\n", output.c_str());
}

// Runs `step` with a progress bar and Ctrl-C as Cancel.
template <class Step>
int WithProgress(Context& context, Step step) {
  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  g_running = &running;
  auto previous = std::signal(SIGINT, OnInterrupt);
  const int result = step(&progress);
  std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
  g_running = nullptr;
  if (result) progress.Post(100);
  bar.Finish();
  return result;
}

int Export(Context& context, const std::vector<std::string>& arguments) {
  Arguments a;
  if (!Parse(context, arguments, "export SRC OUT [--yes]", &a)) return 2;
  ExportOutcome outcome;
  const int result = WithProgress(context, [&](ProgressReporter* progress) {
    return ExportDvAvi(context.fs, a.source, a.output, a.replace, &outcome, progress);
  });
  if (!result) {
    PrintError(context, outcome.code, a.output);
    for (const LinkProblem& p : outcome.problems) std::fprintf(context.err, "  %s %s\n", p.path.c_str(), p.reason.c_str());
    return 1;
  }
  std::fprintf(context.out, "exported %u frames to %s\n", outcome.frames, a.output.c_str());
  return 0;
}

int Recover(Context& context, const std::vector<std::string>& arguments) {
  Arguments a;
  if (!Parse(context, arguments, "recover SRC OUT [--yes]", &a)) return 2;
  RecoverOutcome outcome;
  const int result = WithProgress(context, [&](ProgressReporter* progress) {
    return RecoverRefAvi(context.fs, a.source, a.output, a.replace, &outcome, progress);
  });
  if (!result) {
    PrintError(context, outcome.code, a.output);
    return 1;
  }
  const MoviWalk& walk = outcome.walk;
  std::fprintf(context.out, "kept %u frames and %llu sound chunks\n", walk.frames,
               static_cast<unsigned long long>(walk.audio_chunks));
  if (walk.damaged) {
    std::fprintf(context.out, "the damage starts at offset %llu\n", static_cast<unsigned long long>(walk.damage_at));
  } else {
    std::fprintf(context.out, "no damage found: every frame chunk is whole\n");
  }
  return 0;
}

}  // namespace

void AddExportCommands(std::vector<Command>* table) {
  const std::vector<Option> options = {{"--yes", "replaces an existing OUT"}};
  table->push_back({"export", "SRC OUT [--yes]",
                    "Writes a DV AVI of the frames SRC's REF records name, with its sound.",
                    options, Export});
  table->push_back({"recover", "SRC OUT [--yes]",
                    "Rebuilds a cut reference AVI from its whole frame chunks.",
                    options, Recover});
}

}  // namespace mendora::cli
