#pragma once
// A second thread for the large batches of small reads of one file
// (File::ReadAtEach). Reads served from the system's cache spend their time
// in the kernel's copy of each read, which one ring does one read after
// another on one CPU; a second thread with a ring of its own shares the
// copying on a second CPU.
//
// The batch is cut into chunks: the calling thread takes them from the first
// on, the helper from the last back, each the next one as it becomes free,
// so that a helper that wakes late or is held up by other work on the
// machine takes fewer, and the batch never waits for a helper that has not
// started on it.
//
// The helper reads through the file opened again (see OpenAgain), and its
// thread lives as long as the helper, waiting between batches: a thread
// and a ring set up for each batch cost 0.1 to 0.3 ms here, a good part of
// what the helper saves on a batch of a few thousand reads.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/posix/read_ring.h"

namespace mendora {

class ReadHelper {
 public:
  // A helper reading the file open on `fd` (which stays the caller's), its
  // thread waiting for a batch; null when no ring or no thread can be had.
  // `always`: each batch waits for the helper to start on it, which then
  // reads the last chunk at least (for tests, which must know that both
  // threads read).
  static std::unique_ptr<ReadHelper> Start(int fd, bool always = false);
  // Stops the thread and joins it.
  ~ReadHelper();
  ReadHelper(const ReadHelper&) = delete;
  ReadHelper& operator=(const ReadHelper&) = delete;

  // Reads the batch as ReadRing::ReadAtEach would, through the caller's
  // `ring` on this thread and the helper's ring on its own, in chunks of
  // `chunk` reads: chunk k covers reads k * chunk on, and whole[k] receives
  // what its ReadAtEach returned. Returns once no read of the batch is under
  // way, on either thread.
  void Read(ReadRing& ring, const uint64_t* offsets, size_t count, size_t size, uint8_t* out, size_t chunk,
            size_t* whole);
  // True once the helper's ring has failed: the helper is of no further use.
  bool Broken() const { return broken_; }

 private:
  // A batch as both threads see it.
  struct Batch {
    const uint64_t* offsets;
    size_t count, size;
    uint8_t* out;
    size_t chunk;
    size_t* whole;
    std::atomic<size_t> claimed{0};  // chunks taken by either thread
    // Takes and reads chunks, from the first on or from the last back,
    // until none is left or the ring fails; `first_claimed`: the first was
    // claimed already.
    void ReadChunks(ReadRing& ring, bool from_last, bool first_claimed);
  };

  ReadHelper(std::unique_ptr<ReadRing> ring, int own_fd, bool always)
      : ring_(std::move(ring)), own_fd_(own_fd), always_(always) {}
  void Run();

  std::unique_ptr<ReadRing> ring_;  // the helper thread's
  int own_fd_;                      // the file opened again for ring_, or -1
  const bool always_;
  std::mutex mutex_;
  std::condition_variable posted_cv_, done_cv_;
  // Under mutex_:
  Batch* batch_ = nullptr;  // a batch handed over, until the helper is done with it
  bool taken_ = false;      // the helper has started on batch_
  bool stop_ = false;
  bool broken_ = false;
  std::thread thread_;
};

}  // namespace mendora
