// Carries 2 GiB of data files to another drive (copy) against cp, and moves
// 10,000 files within one drive against mv, on the same folders, and prints
// the ratios. Drives C: and D: are two folders under a scratch folder
// (argument 1, default $TMPDIR or /tmp), as the drive map would have them.
//
//   bench_operation [SCRATCH] [GIB] [FILES]
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "operation/MoveMulti.h"
#include "platform/drive_map.h"
#include "platform/posix/fs_posix.h"

namespace {

namespace stdfs = std::filesystem;
using mendora::DriveMap;
using mendora::PosixFileSystem;

double Seconds(const std::chrono::steady_clock::time_point& since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Shell(const std::string& command) {
  const int r = std::system(command.c_str());
  if (r != 0) std::fprintf(stderr, "bench: \"%s\" failed (%d)\n", command.c_str(), r);
  return r;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

void WriteFile(const stdfs::path& path, uint64_t size, unsigned seed) {
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>((i * 2654435761u + seed) >> 13);
  std::ofstream out(path, std::ios::binary);
  for (uint64_t done = 0; done < size; done += block.size()) {
    block[0] = static_cast<char>(done >> 20);
    out.write(block.data(), static_cast<std::streamsize>(std::min<uint64_t>(block.size(), size - done)));
  }
}

void Clear(const stdfs::path& folder) {
  stdfs::remove_all(folder);
  stdfs::create_directories(folder);
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const stdfs::path scratch = stdfs::path(argc > 1 ? argv[1] : (tmp != nullptr ? tmp : "/tmp")) / "mendora-bench";
  const uint64_t gib = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 2;
  const int files = argc > 3 ? std::atoi(argv[3]) : 10000;
  const stdfs::path c = scratch / "c", d = scratch / "d";
  stdfs::remove_all(scratch);
  stdfs::create_directories(c / "src");
  stdfs::create_directories(d);
  DriveMap map;
  map.Set('C', c.string());
  map.Set('D', d.string());
  PosixFileSystem fs(map);

  // 1. Copy: 2 GiB in 8 files from C: to D:.
  const int big_files = 8;
  const uint64_t each = (gib << 30) / big_files;
  std::vector<std::string> sources, targets;
  for (int i = 0; i < big_files; ++i) {
    const std::string name = "take" + std::to_string(i) + ".00" + std::to_string(i % 10);
    WriteFile(c / "src" / name, each, static_cast<unsigned>(i));
    sources.push_back("C:\\src\\" + name);
    targets.push_back("D:\\dst\\" + name);
  }
  Shell("cat " + Quote((c / "src").string()) + "/* > /dev/null");  // both start from a warm cache
  double best_cp = 1e9, best_ours = 1e9;
  for (int round = 0; round < 2; ++round) {
    Clear(d / "dst");
    Shell("sync");
    auto start = std::chrono::steady_clock::now();
    if (Shell("cp " + Quote((c / "src").string()) + "/* " + Quote((d / "dst").string()) + "/ && sync") != 0) return 1;
    best_cp = std::min(best_cp, Seconds(start));

    Clear(d / "dst");
    Shell("sync");
    start = std::chrono::steady_clock::now();
    int code = 0, index = 0;
    if (!mendora::MoveMultiFiles(fs, sources, targets, 0, &code, &index, nullptr, 1)) {
      std::fprintf(stderr, "bench: copy failed with %d at %d\n", code, index);
      return 1;
    }
    Shell("sync");
    best_ours = std::min(best_ours, Seconds(start));
  }
  const double gib_copied = static_cast<double>(each * big_files) / (1 << 30);
  std::printf("copy %.2f GiB to another drive: cp %.3f s, MoveMultiFiles %.3f s, ratio %.2f (goal <= 1.10)\n",
              gib_copied, best_cp, best_ours, best_ours / best_cp);
  stdfs::remove_all(c / "src");
  stdfs::remove_all(d / "dst");

  // 2. Move 10,000 files within C: (renames).
  auto make_small = [&](const stdfs::path& folder) {
    Clear(folder);
    for (int i = 0; i < files; ++i) std::ofstream(folder / ("f" + std::to_string(i) + ".001")) << i;
  };
  make_small(c / "a");
  Clear(c / "b");
  Shell("sync");
  auto start = std::chrono::steady_clock::now();
  if (Shell("cd " + Quote((c / "a").string()) + " && find . -maxdepth 1 -type f -name 'f*' -exec mv -t " +
            Quote((c / "b").string()) + " {} +") != 0)
    return 1;
  const double mv_seconds = Seconds(start);

  make_small(c / "a");
  Clear(c / "b");
  sources.clear();
  targets.clear();
  for (int i = 0; i < files; ++i) {
    const std::string name = "f" + std::to_string(i) + ".001";
    sources.push_back("C:\\a\\" + name);
    targets.push_back("C:\\b\\" + name);
  }
  Shell("sync");
  start = std::chrono::steady_clock::now();
  int code = 0, index = 0;
  if (!mendora::MoveMultiFiles(fs, sources, targets, 1, &code, &index, nullptr, 1)) {
    std::fprintf(stderr, "bench: move failed with %d at %d\n", code, index);
    return 1;
  }
  const double ours = Seconds(start);
  std::printf("move %d files within one drive: mv %.3f s, MoveMultiFiles %.3f s, ratio %.2f (goal <= 2.00)\n", files,
              mv_seconds, ours, ours / mv_seconds);
  stdfs::remove_all(scratch);
  return 0;
}
