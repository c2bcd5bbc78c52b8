// What a Fix reads of the reference AVI it repairs: a one-hour reference
// (108,000 frames, 48 kHz audio beside each) into 10 data files, one of
// which has moved to another folder. The Fix runs as the console tool runs
// it with --accept-first: the real analysis, search with the content check,
// creation and check of the new file, on the real file system through the
// drive map. Every byte read from the reference AVI through the file port
// is counted and set against its size; the Fix's time is set against one
// read of the whole file through the same port, in the same run.
//
//   bench_fix_reads [SCRATCH] [FRAMES]   (default $TMPDIR or /tmp, 108000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "operation/Operation.h"
#include "operation/OperationUi.h"
#include "operation/ProgramSteps.h"
#include "operation/Progress.h"
#include "platform/drive_map.h"
#include "platform/posix/fs_posix.h"
#include "platform/wintypes.h"
#include "refavi/fixtures.h"
#include "refavi_make_reference.h"
#include "search/DriveSearch.h"
#include "search/RunMemory.h"
#include "support/counting_fs.h"
#include "support/memory_settings.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The user of --accept-first: takes every candidate offered.
class AcceptUi : public mendora::SearchUi {
 public:
  mendora::FoundButton AskFound(const mendora::FoundChoice&) override { return mendora::FoundButton::kOk; }
  bool ChooseFile(mendora::ManualLocate&, std::string*, int*) override { return false; }
  void ShowError(int) override {}
  void ShowMessage(const std::string&) override {}
  void ShowFolder(const std::string&) override {}
};

// Notes the bytes of the reference read in each step and in the search.
class FixUi : public mendora::OperationUi {
 public:
  FixUi(mendora::test::CountingFileSystem& fs, mendora::SettingsStore& settings) : fs_(fs), settings_(settings) {}

  int RunStep(mendora::ProgressStep& step) override {
    const uint64_t before = fs_.bytes_read();
    const int r = pump_.Run(step, [](int) { return true; });
    parts.emplace_back(step.kind() == mendora::kStepAnalysis ? "analysis" : "creation", fs_.bytes_read() - before);
    return r;
  }
  int SearchMissing(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags,
                    const std::shared_ptr<const mendora::ReferenceFrames>& frames) override {
    const uint64_t before = fs_.bytes_read();
    mendora::SearchOptions options;
    options.memory = &memory_;
    const int r = mendora::SearchMissingFiles(
        avi_name, missing, found, found_flags,
        mendora::SearchServices{fs_, settings_, mendora::MakeDvProbe(fs_), mendora::MakeContentCheck(fs_, avi_path, frames)},
        search_ui_, options);
    parts.emplace_back("search", fs_.bytes_read() - before);
    return r;
  }

  std::vector<std::pair<std::string, uint64_t>> parts;
  bool AskRetry(const std::string&) override { return false; }
  bool AskRecover(const std::string&) override { return true; }
  bool BrowseFolder(const std::string&, std::string*) override { return false; }
  int AskOverwrite(const std::string&, const std::string&, const std::string&) override { return mendora::IDCANCEL; }
  void ShowMessage(const std::string&) override {}
  void ShowError(int code) override { std::printf("error %d\n", code); }

 private:
  mendora::test::CountingFileSystem& fs_;
  mendora::SettingsStore& settings_;
  AcceptUi search_ui_;
  mendora::RunMemory memory_;
  mendora::ProgressPump pump_;
};

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const stdfs::path scratch = stdfs::path(argc > 1 ? argv[1] : (tmp != nullptr ? tmp : "/tmp")) / "mendora-bench-fix";
  mendora::bench::ReferenceAviShape shape;
  if (argc > 2) shape.frames = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  shape.cycle = 1;  // every REF names frame 0 of its file: one-frame data files do
  const stdfs::path d = scratch / "d";
  stdfs::remove_all(scratch);
  stdfs::create_directories(d / "refs");
  stdfs::create_directories(d / "Capture" / "Tape 07");
  stdfs::create_directories(d / "Moved");
  const stdfs::path avi = d / "refs" / "ref.avi";
  if (!mendora::bench::WriteReferenceAvi(avi.string(), shape)) {
    std::fprintf(stderr, "bench: cannot write %s\n", avi.c_str());
    return 1;
  }
  // The data files in place but the third, which has moved.
  const std::string frame = mendora::test::BuildDataFile(1);
  for (int k = 1; k <= shape.data_files; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "clip.%03d", k);
    std::ofstream(k == 3 ? d / "Moved" / name : d / "Capture" / "Tape 07" / name, std::ios::binary) << frame;
  }
  const uint64_t size = stdfs::file_size(avi);

  mendora::DriveMap map;
  map.Set('D', d.string());
  mendora::PosixFileSystem posix(map);
  const std::string path = "D:\\refs\\ref.avi";
  mendora::test::CountingFileSystem fs(posix, path);
  mendora::MemorySettingsStore settings;
  settings.values[mendora::kValueDirectory].data = "D:\\";
  settings.values[mendora::kValueSearchDrives].data = mendora::EncodeDriveMask(1u << 3);
  settings.values[mendora::kValueBackup].data = "0";

  // The reference run: one read of the whole file through the port, in 1 MiB
  // reads (also warms the cache for the Fix).
  double one_read = 1e9;
  for (int round = 0; round < 2; ++round) {
    const auto start = Clock::now();
    std::unique_ptr<mendora::File> file = fs.Open(path, mendora::OpenMode::kRead);
    std::vector<char> buffer(1 << 20);
    while (file && file->Read(buffer.data(), buffer.size()) == buffer.size()) {
    }
    one_read = std::min(one_read, Seconds(start));
  }
  fs.Reset();

  mendora::ProgramSteps steps(fs);
  FixUi ui(fs, settings);
  const std::vector<std::string> selected = {path};
  int finished = 0;
  const auto start = Clock::now();
  {
    mendora::COperation operation(selected, fs, settings, ui, steps);
    operation.RunFix();
    finished = operation.finished()[0];
  }
  const double fix = Seconds(start);
  const uint64_t read = fs.bytes_read();

  std::printf("Fix of a reference AVI of %u frames (%.1f MB), one of %d data files moved: %s\n", shape.frames,
              static_cast<double>(size) / 1e6, shape.data_files, finished ? "fixed" : "NOT FIXED");
  std::printf("  source bytes read: %llu (%.2f\xC3\x97 its size) (goal <= 2.20)\n",
              static_cast<unsigned long long>(read), static_cast<double>(read) / static_cast<double>(size));
  for (const auto& [part, bytes] : ui.parts)
    std::printf("    %-8s %.2f\xC3\x97\n", part.c_str(), static_cast<double>(bytes) / static_cast<double>(size));
  std::printf("  the Fix %.3f s, one read of the file %.3f s, ratio %.2f\n", fix, one_read, fix / one_read);
  stdfs::remove_all(scratch);
  return finished ? 0 : 1;
}
