#pragma once
// Many small reads of one file handed to the kernel together through
// io_uring: one system call carries a queue of reads where pread needs one
// call each. Worth it where the calls themselves cost more than the reads,
// as for the 8-byte frame headers of the content check, served from the
// system's cache, and where a batch is large enough to repay setting up a
// ring: a file reads a few dozen or fewer with pread and sets up its ring
// at its first larger batch. The kernel still copies each read out of the cache in turn,
// on the CPU that submitted it, which is what is left of the time; the
// largest batches are therefore shared with a second thread and a second
// ring (ReadHelper, read_helper.h).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace mendora {

class ReadRing {
 public:
  // A ring for reads of `fd` (which stays the caller's), or null where
  // io_uring cannot be had: a build without liburing, a kernel before 5.6,
  // or io_uring refused by sysctl or a seccomp filter, as in containers.
  // A refusal is remembered: later calls give null at once.
  static std::unique_ptr<ReadRing> Create(int fd);
  // For tests: a ring whose every wait for completions first calls
  // `fail_wait`; a negative errno from it fails that wait, as a failing
  // kernel would, after the reads queued were handed over. Null where
  // io_uring cannot be had.
  static std::unique_ptr<ReadRing> CreateWithFailingWaits(int fd, std::function<int()> fail_wait);
  virtual ~ReadRing() = default;

  // As File::ReadAtEach, except that a read that comes back short is not
  // looked into: whether it met the end of the file, failed or was merely
  // cut short is for the caller to find out (with pread). Reads past the
  // first short one may or may not have been made.
  virtual size_t ReadAtEach(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) = 0;
  // True once the ring itself has failed, not a read: the caller reads
  // without it from then on. Nothing the failed ring took is still in
  // flight when ReadAtEach returns.
  virtual bool Broken() const = 0;
};

}  // namespace mendora
