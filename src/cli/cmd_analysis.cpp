// probe, links and trace: the analysis of one reference AVI or data file.
#include <atomic>

#include "common/ErrorTable.h"
#include "common/Types.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "refavi/AnalysisStep.h"
#include "refavi/ContentCheck.h"
#include "refavi/GetContentList.h"
#include "refavi/JsonText.h"

namespace mendora::cli {

namespace {

// Standard output as the trace's file.
class StreamFile : public File {
 public:
  explicit StreamFile(std::FILE* stream) : stream_(stream) {}
  size_t Read(void*, size_t) override { return 0; }
  size_t ReadAt(uint64_t, void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t n) override { return std::fwrite(buffer, 1, n, stream_); }
  bool Seek(uint64_t) override { return false; }
  uint64_t Tell() override { return 0; }
  bool Size(uint64_t*) override { return false; }
  bool SetEnd() override { return false; }
  bool Close() override { return std::fflush(stream_) == 0; }

 private:
  std::FILE* stream_;
};

bool OnePath(Context& context, const char* command, const std::vector<std::string>& arguments) {
  if (arguments.size() == 1) return true;
  std::fprintf(context.err, "usage: mendora-cli %s FILE\n", command);
  return false;
}

int Probe(Context& context, const std::vector<std::string>& arguments) {
  if (!OnePath(context, "probe", arguments)) return 2;
  const int status = ProbeDvFile(context.fs, context.core_path(arguments[0]));
  std::fprintf(context.out, "%d\n", status);
  if (status == kDvProbeIsDv) return 0;
  std::fprintf(context.err, "%s\n", ErrorMessageFor(status).message.c_str());
  return 1;
}

// {"version": 1, "links": [{"path": ..., "frames": N}]}: frames counts the
// REF records naming the link, as the archive check does. The document is
// UTF-8 whatever the terminal: it goes to stdout unconverted.
void PrintLinksJson(Context& context, const ReferenceFrames& frames) {
  const WinPath paths;
  std::string json = "{\"version\": 1, \"links\": [";
  for (size_t i = 0; i < frames.links.size(); ++i) {
    const LinkFrames& link = frames.links[i];
    json += i == 0 ? "\n  " : ",\n  ";
    json += "{" + JsonPathMembers(paths, link.path) + ", \"frames\": " + std::to_string(link.frame_count) + "}";
  }
  json += frames.links.empty() ? "]}\n" : "\n]}\n";
  std::fflush(context.out);
  std::fwrite(json.data(), 1, json.size(), context.utf8_out);
}

int Links(Context& context, const std::vector<std::string>& arguments) {
  bool json = false;
  std::vector<std::string> paths;
  for (const std::string& a : arguments) {
    if (a == "--json") json = true;
    else paths.push_back(a);
  }
  if (paths.size() != 1 || (paths[0].size() > 1 && paths[0][0] == '-' && paths[0][1] == '-')) {
    std::fprintf(context.err, "usage: mendora-cli links [--json] FILE\n");
    return 2;
  }
  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  std::vector<std::string> links;
  // The program's analysis step decides what is refused; for JSON over a
  // walk that also counts the frames of each link.
  ReferenceFrames frames;
  AnalysisWalk walk;
  if (json) {
    walk = [&](const std::string& path, std::vector<std::string>* found, ProgressReporter* p) {
      const bool walked = ReadReferenceFrames(context.fs, path, &frames, p);
      for (const LinkFrames& link : frames.links) found->push_back(link.path);
      return walked ? 1 : 0;
    };
  }
  const int code = RunAnalysis(context.fs, context.core_path(paths[0]), &progress, &links, walk);
  bar.Finish();
  if (code != RC_OK) {
    std::fprintf(context.err, "error %d: %s\n", code, ErrorMessageFor(code).message.c_str());
    return 1;
  }
  if (json) {
    PrintLinksJson(context, frames);
    return 0;
  }
  for (const std::string& path : links) {
    std::fwrite(path.data(), 1, path.size(), context.out);
    std::fputc('\n', context.out);
  }
  return 0;
}

int Trace(Context& context, const std::vector<std::string>& arguments) {
  if (!OnePath(context, "trace", arguments)) return 2;
  StreamFile out(context.out);
  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  ContentListReader reader(context.fs, &out);
  const int result = reader.GetContentList(context.core_path(arguments[0]), 1, nullptr, &progress);
  bar.Finish();
  out.Close();
  return result == 1 ? 0 : 1;
}

}  // namespace

void AddAnalysisCommands(std::vector<Command>* table) {
  table->push_back({"probe", "FILE",
                    "The DV check: prints 0 (DV), 289 (cannot open) or 290 (not DV).",
                    {},
                    Probe});
  table->push_back({"links", "[--json] FILE", "Lists the data links of a reference AVI, one a line, as recorded.",
                    {{"--json", "one JSON document: each link and its frames"}},
                    Links});
  table->push_back({"trace", "FILE", "Prints the chunk trace of the analysis.", {}, Trace});
}

}  // namespace mendora::cli
