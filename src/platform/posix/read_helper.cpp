#include "platform/posix/read_helper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace mendora {
namespace {

// The file open on `fd` opened again, for the helper's reads: the kernel
// writes to the open file at every read (its reference count, its
// read-ahead position), and two CPUs reading through one open file pass its
// cache lines to and fro, which took back a good part of the gain of the
// second thread here. -1 where it cannot be opened again as the same file.
int OpenAgain(int fd) {
  char name[40];
  std::snprintf(name, sizeof name, "/proc/self/fd/%d", fd);
  const int again = ::open(name, O_RDONLY | O_CLOEXEC);
  if (again < 0) return -1;
  struct stat first {}, second {};
  if (::fstat(fd, &first) == 0 && ::fstat(again, &second) == 0 && first.st_dev == second.st_dev &&
      first.st_ino == second.st_ino)
    return again;
  ::close(again);
  return -1;
}

}  // namespace

std::unique_ptr<ReadHelper> ReadHelper::Start(int fd, bool always) {
  // Else the helper reads through the caller's open file, more slowly.
  const int own_fd = OpenAgain(fd);
  std::unique_ptr<ReadRing> ring = ReadRing::Create(own_fd >= 0 ? own_fd : fd);
  if (!ring) {
    if (own_fd >= 0) ::close(own_fd);
    return nullptr;
  }
  std::unique_ptr<ReadHelper> helper(new ReadHelper(std::move(ring), own_fd, always));
  try {
    helper->thread_ = std::thread(&ReadHelper::Run, helper.get());
  } catch (const std::system_error&) {
    return nullptr;  // no thread: the destructor has none to join
  }
  return helper;
}

ReadHelper::~ReadHelper() {
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    posted_cv_.notify_one();
    thread_.join();
  }
  ring_.reset();
  if (own_fd_ >= 0) ::close(own_fd_);
}

void ReadHelper::Batch::ReadChunks(ReadRing& ring, bool from_last, bool first_claimed) {
  const size_t chunks = (count + chunk - 1) / chunk;
  // Each chunk is first claimed on the common count, so that the two ends
  // never meet on one chunk; then taken from this thread's end.
  for (size_t mine = 0; !ring.Broken(); ++mine) {
    if (!(mine == 0 && first_claimed) && claimed.fetch_add(1, std::memory_order_relaxed) >= chunks) break;
    const size_t k = from_last ? chunks - 1 - mine : mine;
    const size_t begin = k * chunk, n = std::min(chunk, count - begin);
    whole[k] = ring.ReadAtEach(offsets + begin, n, size, out + begin * size);
  }
}

void ReadHelper::Read(ReadRing& ring, const uint64_t* offsets, size_t count, size_t size, uint8_t* out,
                      size_t chunk, size_t* whole) {
  Batch batch{offsets, count, size, out, chunk, whole};
  // Chunks nobody took (a ring failed) read as none whole.
  std::fill(whole, whole + (count + chunk - 1) / chunk, size_t{0});
  {
    std::lock_guard<std::mutex> lock(mutex_);
    batch_ = &batch;
    taken_ = false;
  }
  posted_cv_.notify_one();
  if (always_) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_cv_.wait(lock, [this] { return taken_; });
  }
  batch.ReadChunks(ring, false, false);
  std::unique_lock<std::mutex> lock(mutex_);
  // A helper that has not woken yet is not waited for: the batch is
  // withdrawn, and it finds nothing when it wakes.
  if (!taken_) {
    batch_ = nullptr;
    return;
  }
  done_cv_.wait(lock, [this] { return batch_ == nullptr; });
}

void ReadHelper::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    posted_cv_.wait(lock, [this] { return stop_ || (batch_ != nullptr && !taken_); });
    if (stop_) return;
    Batch* batch = batch_;
    taken_ = true;
    // The last chunk is the helper's from here on, unless the calling
    // thread has taken them all.
    const size_t chunks = (batch->count + batch->chunk - 1) / batch->chunk;
    const bool first = batch->claimed.fetch_add(1, std::memory_order_relaxed) < chunks;
    lock.unlock();
    if (always_) done_cv_.notify_one();
    batch->ReadChunks(*ring_, true, first);
    const bool broken = ring_->Broken();
    lock.lock();
    broken_ = broken;
    batch_ = nullptr;
    done_cv_.notify_one();
  }
}

}  // namespace mendora
