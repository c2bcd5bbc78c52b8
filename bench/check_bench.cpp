// mendora-cli check of an archive: 100 one-hour reference AVIs (references
// only, 8 MB each) that all name the same 10 data files, against what a
// user would otherwise run: "mendora-cli links" on each of the 100 files.
// The data files are sparse: a frame chunk header at every frame the
// references take, holes between them.
//
//   check_bench [FOLDER]   (default: a new folder under /tmp, removed after)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "refavi/Layout.h"
#include "refavi_make_reference.h"

namespace stdfs = std::filesystem;

namespace {

constexpr int kReferences = 100;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double TimeCommand(const std::string& command) {
  const double start = Now();
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return Now() - start;
}

// Frame chunk headers at every 120008 bytes, the file sized to hold them.
bool WriteSparseDataFile(const std::string& path, uint32_t frames) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(frames * mendora::kWholeFileStep525)) == 0;
  uint8_t header[8];
  mendora::StoreU32(header, mendora::fcc::id00db);
  mendora::StoreU32(header + 4, mendora::kDvFrameSize525);
  for (uint32_t i = 0; ok && i < frames; ++i)
    ok = ::pwrite(fd, header, sizeof header, static_cast<off_t>(i * mendora::kWholeFileStep525)) == sizeof header;
  return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  const bool own = argc < 2;
  char pattern[] = "/tmp/mendora-check-bench-XXXXXX";
  const stdfs::path root = own ? stdfs::path(::mkdtemp(pattern)) : stdfs::path(argv[1]);
  const stdfs::path d = root / "d", archive = root / "archive";
  stdfs::create_directories(d / "Capture" / "Tape 07");
  stdfs::create_directories(archive);

  mendora::bench::ReferenceAviShape shape;
  shape.audio = false;
  const uint32_t per_file = (shape.frames + static_cast<uint32_t>(shape.data_files) - 1) /
                            static_cast<uint32_t>(shape.data_files);
  std::printf("Making %d data files (sparse) and %d one-hour reference AVIs in %s ...\n", shape.data_files,
              kReferences, root.c_str());
  for (int k = 1; k <= shape.data_files; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "clip.%03d", k);
    if (!WriteSparseDataFile((d / "Capture" / "Tape 07" / name).string(), per_file)) {
      std::fprintf(stderr, "cannot write the data files\n");
      return 1;
    }
  }
  const stdfs::path first = archive / "take000.avi";
  if (!mendora::bench::WriteReferenceAvi(first.string(), shape)) {
    std::fprintf(stderr, "cannot write %s\n", first.c_str());
    return 1;
  }
  for (int i = 1; i < kReferences; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "take%03d.avi", i);
    stdfs::copy_file(first, archive / name, stdfs::copy_options::overwrite_existing);
  }

  const std::string cli = std::string("'") + MENDORA_CLI + "' --drive Z=/ --drive 'D=" + d.string() + "' ";
  // Warm the cache once, so that both sides read from memory.
  TimeCommand(cli + "check '" + archive.string() + "' >/dev/null || true");
  double check = 1e30, links = 1e30;
  for (int round = 0; round < 2; ++round) {
    const double c = Now();
    const int status = std::system((cli + "check '" + archive.string() + "' >/dev/null").c_str());
    check = std::min(check, Now() - c);
    if (status != 0) {
      std::fprintf(stderr, "check did not find every file ok (status %d)\n", status);
      return 1;
    }
    double all = 0;
    for (int i = 0; i < kReferences; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "take%03d.avi", i);
      all += TimeCommand(cli + "links '" + (archive / name).string() + "' >/dev/null");
    }
    links = std::min(links, all);
  }
  std::printf("\nbest of 2 rounds, warm cache\n");
  std::printf("  mendora-cli check of %d references      %8.3f s\n", kReferences, check);
  std::printf("  %d runs of mendora-cli links             %8.3f s\n", kReferences, links);
  std::printf("\nratio\n  check / links                           %6.2f x   (goal < 1)\n", check / links);
  if (own) stdfs::remove_all(root);
  return 0;
}
