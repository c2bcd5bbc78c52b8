// The read ring on io_uring (liburing, linked statically).
#include <liburing.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/posix/read_ring.h"

namespace mendora {
namespace {

// Reads queued at once. Beyond a hundred or so the time per read no longer
// falls, and a deeper ring costs more to set up and tear down per file.
constexpr unsigned kDepth = 128;

// Set once the system has refused io_uring for good (no such call, not
// permitted, no read operation), so that later files do not ask again.
std::atomic<bool> g_refused{false};

bool Passing(int error) { return error == -EINTR || error == -EAGAIN || error == -EBUSY; }

class UringReadRing : public ReadRing {
 public:
  explicit UringReadRing(int fd) : fd_(fd) {}
  ~UringReadRing() override {
    if (ready_) io_uring_queue_exit(&ring_);
  }
  UringReadRing(const UringReadRing&) = delete;
  UringReadRing& operator=(const UringReadRing&) = delete;

  // 0, or the negative errno of the set-up.
  int SetUp() {
    const int init = io_uring_queue_init(kDepth, &ring_, 0);
    if (init < 0) return init;
    ready_ = true;
    // The read operation came with Linux 5.6, and the probe with it.
    io_uring_probe* probe = io_uring_get_probe_ring(&ring_);
    const bool reads = probe != nullptr && io_uring_opcode_supported(probe, IORING_OP_READ);
    if (probe != nullptr) io_uring_free_probe(probe);
    return reads ? 0 : -EINVAL;
  }

  size_t ReadAtEach(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) override {
    size_t queued = 0;   // reads handed to the ring, from the first
    size_t pending = 0;  // of those, reads not yet completed
    size_t first_short = count;
    // No new reads once one came back short or the ring failed, but those
    // handed over must complete before we return: the kernel writes to `out`.
    for (;;) {
      const size_t wanted = broken_ ? queued : std::min(count, first_short);
      while (queued < wanted) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring_);
        if (sqe == nullptr) break;
        io_uring_prep_read(sqe, fd_, out + queued * size, static_cast<unsigned>(size), offsets[queued]);
        io_uring_sqe_set_data64(sqe, queued);
        ++queued;
        ++pending;
      }
      if (pending == 0) break;
      io_uring_cqe* cqe = nullptr;
      const int r = broken_ ? io_uring_wait_cqe(&ring_, &cqe) : io_uring_submit_and_wait(&ring_, 1);
      if (r < 0 && !Passing(r)) {
        // Not a read but the ring: give up on it (broken_ makes the caller
        // drop it). Reads it took still complete and are waited for; those
        // it did not take stay in the queue, never to run.
        if (broken_) break;  // waiting fails too: nothing more will come
        broken_ = true;
        const unsigned untaken = io_uring_sq_ready(&ring_);
        queued -= untaken;
        pending -= untaken;
      }
      unsigned head, seen = 0;
      io_uring_for_each_cqe(&ring_, head, cqe) {
        if (cqe->res < 0 || static_cast<size_t>(cqe->res) != size)
          first_short = std::min(first_short, static_cast<size_t>(io_uring_cqe_get_data64(cqe)));
        ++seen;
      }
      io_uring_cq_advance(&ring_, seen);
      pending -= seen;
    }
    return std::min(first_short, queued);
  }

  bool Broken() const override { return broken_; }

 private:
  int fd_;
  io_uring ring_{};
  bool ready_ = false;
  bool broken_ = false;
};

}  // namespace

std::unique_ptr<ReadRing> ReadRing::Create(int fd) {
  if (g_refused.load(std::memory_order_relaxed)) return nullptr;
  auto ring = std::make_unique<UringReadRing>(fd);
  const int error = ring->SetUp();
  if (error == 0) return ring;
  // Out of memory or of descriptors passes; the rest stays.
  if (error == -ENOSYS || error == -EPERM || error == -EINVAL) g_refused.store(true, std::memory_order_relaxed);
  return nullptr;
}

}  // namespace mendora
