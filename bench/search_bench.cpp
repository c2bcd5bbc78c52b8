// Walks a generated tree of 200,000 files in 20,000 folders for one missing
// name, as the search worker does, and compares with `find ROOT -name NAME`
// on the same tree in the same run. Prints both times and the ratio.
//
//   bench_search [ROOT]   (default: $TMPDIR/mendora-bench-search; the tree is
//                          made once and kept for later runs)
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/drive_map.h"
#include "platform/posix/fs_posix.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "search/FoundChoice.h"
#include "search/DriveSearch.h"
#include "search/ManualLocate.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTopFolders = 100;
constexpr int kSubFolders = 199;  // 100 + 100 * 199 = 20,000 folders
constexpr int kFilesPerFolder = 10;  // 200,000 files
constexpr const char kMissingName[] = "absent.001";

// Answers nothing is ever asked: the name is nowhere in the tree.
class QuietUi : public mendora::SearchUi {
 public:
  mendora::FoundButton AskFound(const mendora::FoundChoice&) override { return mendora::FoundButton::kNext; }
  bool ChooseFile(mendora::ManualLocate&, std::string*, int*) override { return false; }
  void ShowError(int) override {}
  void ShowMessage(const std::string&) override {}
  void ShowFolder(const std::string& folder) override { last_folder = folder; }
  std::string last_folder;
};

void MakeTree(const std::filesystem::path& root) {
  const auto marker = root / ".complete";
  if (std::filesystem::exists(marker)) return;
  std::printf("making the tree under %s ...\n", root.c_str());
  std::filesystem::remove_all(root);
  auto fill = [](const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (int f = 0; f < kFilesPerFolder; ++f) std::ofstream(folder / ("clip" + std::to_string(f) + ".001"));
  };
  for (int t = 0; t < kTopFolders; ++t) {
    const auto top = root / ("top" + std::to_string(t));
    fill(top);
    for (int s = 0; s < kSubFolders; ++s) fill(top / ("sub" + std::to_string(s)));
  }
  std::ofstream(marker) << "ok\n";
}

double WalkSeconds(const std::string& root) {
  mendora::DriveMap map;
  map.Set('C', root);
  mendora::PosixFileSystem fs(map);
  mendora::MemorySettingsStore settings;
  settings.values[mendora::kValueDirectory].data = "C:\\";
  settings.values[mendora::kValueSearchDrives].data = mendora::EncodeDriveMask(1u << 2);
  QuietUi ui;
  const std::vector<std::string> missing = {std::string("D:\\gone\\") + kMissingName};
  std::vector<std::string> paths;
  std::vector<int> flags;
  int probes = 0;
  mendora::DriveSearch dlg("clip.avi", missing, &paths, 1, &flags,
                          mendora::SearchServices{fs, settings, [&](const std::string&) { ++probes; return 290; }},
                          ui);
  // The timer only notices the end; a fine period keeps its latency out of
  // the figure.
  dlg.set_timer_period(std::chrono::milliseconds(1));
  const auto start = Clock::now();
  const int result = dlg.DoModal();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (result != mendora::IDCANCEL || probes != 0) std::printf("unexpected: result %d, %d probes\n", result, probes);
  return seconds;
}

double FindSeconds(const std::string& root) {
  const std::string command = "find '" + root + "' -name " + kMissingName + " >/dev/null";
  const auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::printf("find failed\n");
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path root =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path(tmp ? tmp : "/tmp") / "mendora-bench-search";
  MakeTree(root);

  // Warm the cache for both, then take the best of five runs each.
  WalkSeconds(root.string());
  FindSeconds(root.string());
  double walk = 1e9, find = 1e9;
  for (int i = 0; i < 5; ++i) {
    walk = std::min(walk, WalkSeconds(root.string()));
    find = std::min(find, FindSeconds(root.string()));
  }
  std::printf("search walk: 200000 files in 20000 folders, one missing name\n");
  std::printf("  walk  %.3f s\n  find  %.3f s\n  ratio walk/find %.2f (goal <= 1.5)\n", walk, find, walk / find);
  return 0;
}
