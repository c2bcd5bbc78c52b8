// The content check of a one-hour link: 108,000 frame offsets (NTSC, 30
// frames a second) checked in a sparse data file with a frame chunk header
// at each, against a plain loop of the same 8-byte reads with pread(2) in the
// same run. The check runs three times: with its reads in batches through
// io_uring, the large batches split between two threads where there are two
// CPUs; the same on one thread; and with the file system's fallback of one
// pread each. All from a warm cache, best of five. Goal: under 50 ms.
//
// REF records hold 32-bit offsets, so 108,000 frames of 120,008 bytes
// (12.96 GB) cannot all be named in one file; the headers stand 39,760 bytes
// apart instead (4.29 GB apparent), which reads the same way: one header a
// page, in ascending order.
//
//   bench_content_check [SCRATCH]   (default $TMPDIR or /tmp; the file is
//                                    made once and kept)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/drive_map.h"
#include "platform/posix/fs_posix.h"
#include "platform/posix/read_ring.h"
#include "refavi/ContentCheck.h"
#include "refavi/Layout.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr uint32_t kFrames = 108000;  // one hour at 30 frames a second
constexpr uint64_t kStep = 39760;

double Millis(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

bool MakeSparseHour(const stdfs::path& path) {
  const stdfs::path marker = path.string() + ".complete";
  if (stdfs::exists(marker)) return true;
  std::printf("making the sparse hour %s ...\n", path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  uint8_t header[8];
  std::memcpy(header, "00db", 4);
  const uint32_t size = mendora::kDvFrameSize525;
  for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<uint8_t>(size >> (8 * i));
  for (uint32_t k = 0; k < kFrames; ++k)
    if (::pwrite(fd, header, sizeof header, static_cast<off_t>(k * kStep)) != sizeof header) return false;
  // The last frame's data ends the file.
  const uint64_t end = (kFrames - 1) * kStep + 8 + mendora::kDvFrameSize525;
  if (::ftruncate(fd, static_cast<off_t>(end)) != 0 || ::close(fd) != 0) return false;
  std::FILE* done = std::fopen(marker.c_str(), "w");
  if (done != nullptr) std::fclose(done);
  return true;
}

double PreadLoop(const stdfs::path& path, const std::vector<uint32_t>& offsets) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  const auto start = Clock::now();
  uint8_t header[8];
  uint32_t ok = 0;
  for (const uint32_t offset : offsets)
    if (::pread(fd, header, sizeof header, offset) == sizeof header && header[0] == '0') ++ok;
  const double ms = Millis(start);
  ::close(fd);
  if (ok != offsets.size()) std::printf("pread loop: %u of %zu headers\n", ok, offsets.size());
  return ms;
}

// The bare cost of as many system calls as the check makes: the floor of
// any check that reads each header with a call of its own.
double SyscallFloor() {
  const auto start = Clock::now();
  for (uint32_t k = 0; k < kFrames; ++k) (void)::getppid();
  return Millis(start);
}

}  // namespace

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const stdfs::path scratch = stdfs::path(argc > 1 ? argv[1] : (tmp != nullptr ? tmp : "/tmp")) / "mendora-bench-content";
  stdfs::create_directories(scratch);
  const stdfs::path hour = scratch / "hour.001";
  if (!MakeSparseHour(hour)) {
    std::fprintf(stderr, "cannot make %s\n", hour.c_str());
    return 1;
  }
  mendora::DriveMap map;
  map.Set('C', scratch.string());
  mendora::PosixFileSystem fs(map);
  mendora::PosixFileSystem one_thread_fs(map, mendora::ReadBatching::kRingOneThread);
  mendora::PosixFileSystem pread_fs(map, mendora::ReadBatching::kPread);

  // The frames a one-hour reference takes from its link.
  mendora::LinkFrames link;
  link.path = "D:\\gone\\hour.001";
  for (uint32_t k = 0; k < kFrames; ++k) link.offsets.push_back(static_cast<uint32_t>(k * kStep));

  // Warm the cache for both, then the best of five each.
  PreadLoop(hour, link.offsets);
  mendora::CheckLinkContent(fs, "C:\\hour.001", link, mendora::kDvFrameSize525);
  double check = 1e9, one_thread = 1e9, fallback = 1e9, loop = 1e9, floor = 1e9;
  bool ok = true;
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    ok = mendora::CheckLinkContent(fs, "C:\\hour.001", link, mendora::kDvFrameSize525).ok() && ok;
    check = std::min(check, Millis(start));
    start = Clock::now();
    ok = mendora::CheckLinkContent(one_thread_fs, "C:\\hour.001", link, mendora::kDvFrameSize525).ok() && ok;
    one_thread = std::min(one_thread, Millis(start));
    start = Clock::now();
    ok = mendora::CheckLinkContent(pread_fs, "C:\\hour.001", link, mendora::kDvFrameSize525).ok() && ok;
    fallback = std::min(fallback, Millis(start));
    loop = std::min(loop, PreadLoop(hour, link.offsets));
    floor = std::min(floor, SyscallFloor());
  }
  std::printf("content check: %zu frame offsets in one sparse data file (%.2f GB apparent)%s\n", link.offsets.size(),
              static_cast<double>((kFrames - 1) * kStep + 8 + mendora::kDvFrameSize525) / 1e9,
              ok ? "" : "  -- FAILED, the frames were not found");
  const bool ring = mendora::ReadRing::Create(0) != nullptr;
  const unsigned cpus = std::thread::hardware_concurrency();
  std::printf("  check       %.1f ms (goal < 50 ms), reads in batches%s\n", check,
              !ring     ? " -- io_uring not available here, one pread each"
              : cpus > 1 ? " through io_uring, large ones split between two threads"
                         : " through io_uring -- one CPU here, one thread");
  std::printf("  check       %.1f ms with the batches on one thread\n", one_thread);
  std::printf("  check       %.1f ms with one pread each (the fallback)\n", fallback);
  std::printf("  pread loop  %.1f ms\n  ratio check/one thread %.2f, check/pread loop %.2f\n", loop, check / one_thread,
              check / loop);
  std::printf("  (this machine: %u bare system calls take %.1f ms, %.2f us each)\n", kFrames, floor,
              floor * 1000 / kFrames);
  return ok ? 0 : 1;
}
