// The read ring on io_uring (liburing, linked statically).
#include <liburing.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

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
    // No new reads once one came back short, but those handed over must
    // complete before we return: the kernel writes to `out`.
    while (!broken_) {
      const size_t wanted = std::min(count, first_short);
      while (queued < wanted) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring_);
        if (sqe == nullptr) break;
        io_uring_prep_read(sqe, fd_, out + queued * size, static_cast<unsigned>(size), offsets[queued]);
        io_uring_sqe_set_data64(sqe, queued);
        ++queued;
        ++pending;
      }
      if (pending == 0) break;
      const int r = Wait(true);
      if (r < 0 && !Passing(r)) {
        // Not a read but the ring: give up on it (broken_ makes the caller
        // drop it), once nothing it took can still land in `out`.
        broken_ = true;
        Drain(size, queued, pending, first_short);
        break;
      }
      unsigned head, seen = 0;
      io_uring_cqe* cqe;
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

  void set_fail_wait(std::function<int()> fail_wait) { fail_wait_ = std::move(fail_wait); }

 private:
  // Waits for a completion, handing over what is queued first when
  // `submit`. 0 or more, or the negative errno of the wait.
  int Wait(bool submit) {
    if (fail_wait_) [[unlikely]] {
      if (const int error = fail_wait_(); error < 0) {
        if (submit) io_uring_submit(&ring_);
        return error;
      }
    }
    io_uring_cqe* cqe = nullptr;
    return submit ? io_uring_submit_and_wait(&ring_, 1) : io_uring_wait_cqe(&ring_, &cqe);
  }

  // After a failed wait the kernel may still be reading into the caller's
  // buffer. Everything in flight is cancelled and every completion reaped,
  // the cancel's included, so that nothing of this batch is left to land
  // once we return. A cancel the kernel does not know (before Linux 5.19)
  // only makes this slower: reads of a file end by themselves.
  void Drain(size_t size, size_t& queued, size_t& pending, size_t& first_short) {
    // Reads the ring did not take still sit in its queue, and go with the
    // cancel, which follows them: they count again once taken.
    const size_t untaken = io_uring_sq_ready(&ring_);
    queued -= untaken;
    pending -= untaken;
    bool cancelling = false;
    if (io_uring_sqe* sqe = io_uring_get_sqe(&ring_)) {
      io_uring_prep_cancel64(sqe, 0, IORING_ASYNC_CANCEL_ANY);
      io_uring_sqe_set_data64(sqe, kCancelTag);
      const int taken = io_uring_submit(&ring_);
      if (taken > 0) {
        const size_t reads = std::min(static_cast<size_t>(taken), untaken);
        queued += reads;
        pending += reads;
        cancelling = static_cast<size_t>(taken) > untaken;
      }
    }
    while (pending > 0 || cancelling) {
      unsigned head, seen = 0;
      io_uring_cqe* cqe;
      io_uring_for_each_cqe(&ring_, head, cqe) {
        const uint64_t data = io_uring_cqe_get_data64(cqe);
        ++seen;
        if (data == kCancelTag) {
          cancelling = false;
          continue;
        }
        --pending;
        if (cqe->res < 0 || static_cast<size_t>(cqe->res) != size)
          first_short = std::min(first_short, static_cast<size_t>(data));
      }
      io_uring_cq_advance(&ring_, seen);
      if (pending == 0 && !cancelling) break;
      // Waiting may well fail again: then the queue is looked at now and
      // then instead, the completions come all the same.
      const int r = Wait(false);
      if (r < 0 && !Passing(r)) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  // The user data of the cancel; reads carry their index.
  static constexpr uint64_t kCancelTag = ~uint64_t{0};

  int fd_;
  io_uring ring_{};
  bool ready_ = false;
  bool broken_ = false;
  std::function<int()> fail_wait_;  // tests only
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

std::unique_ptr<ReadRing> ReadRing::CreateWithFailingWaits(int fd, std::function<int()> fail_wait) {
  auto ring = std::make_unique<UringReadRing>(fd);
  if (ring->SetUp() != 0) return nullptr;
  ring->set_fail_wait(std::move(fail_wait));
  return ring;
}

}  // namespace mendora
