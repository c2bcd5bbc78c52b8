// probe, links and trace: the analysis of one reference AVI or data file.
#include <atomic>

#include "common/ErrorTable.h"
#include "common/Types.h"
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "refavi/AnalysisStep.h"
#include "refavi/GetContentList.h"

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

int Links(Context& context, const std::vector<std::string>& arguments) {
  if (!OnePath(context, "links", arguments)) return 2;
  std::atomic<int> running{1};
  ProgressBar bar(context.err, context.progress_bar);
  ProgressReporter progress(&running, &bar);
  std::vector<std::string> links;
  const int code = RunAnalysis(context.fs, context.core_path(arguments[0]), &progress, &links);
  bar.Finish();
  if (code != RC_OK) {
    std::fprintf(context.err, "error %d: %s\n", code, ErrorMessageFor(code).message.c_str());
    return 1;
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
  table->push_back({"probe", "FILE", "DV check: prints 0 (DV), 289 (cannot open) or 290 (not DV)", Probe});
  table->push_back({"links", "FILE", "lists the data links of a reference AVI", Links});
  table->push_back({"trace", "FILE", "prints the chunk trace of the analysis", Trace});
}

}  // namespace mendora::cli
