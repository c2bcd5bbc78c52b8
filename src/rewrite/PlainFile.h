#pragma once
// The file class of the rewriting step: reads the source reference AVI and
// writes the new one. 64-bit positions; seeking past the end of the file
// lengthens it at once (the writer reserves its header area and index blocks
// that way).
//
// Reads and writes go through small buffers of its own, which the callers
// never see: every byte lands where an unbuffered write would put it, and a
// failed write fails the call it was buffered in or the next write.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace mendora {

class PlainFile {
 public:
  enum Origin { kBegin, kCurrent };

  explicit PlainFile(FileSystem& fs) : fs_(fs) {}
  virtual ~PlainFile();
  PlainFile(const PlainFile&) = delete;
  PlainFile& operator=(const PlainFile&) = delete;

  // 1 when the file could be opened (kRead) or created (kCreateWrite), else 0.
  int Open(const std::string& path, OpenMode mode);
  // 1 when closed cleanly (or never opened); 0 when buffered data could not
  // be written or the system reported a failure.
  int Close();
  // Writes what is buffered and has the system put the file on the disk.
  // False when either failed.
  bool Sync();
  bool IsOpen() const { return file_ != nullptr; }

  // The count of bytes delivered; fewer than n at the end of the file.
  size_t Read(void* buffer, size_t n);
  // The count of bytes taken; fewer than n (usually 0) when the file cannot
  // be written.
  size_t Write(const void* buffer, size_t n);
  // Moves to `offset` from the start or from the current position; a
  // position past the end lengthens the file. Returns the new position.
  uint64_t Seek(int64_t offset, Origin origin);
  uint64_t Tell() const { return position_; }
  uint64_t Size();

 private:
  struct Window {
    std::vector<uint8_t> bytes;
    uint64_t start = 0;
    size_t length = 0;
    uint64_t used = 0;    // when last read from, for replacement
    uint32_t reads = 0;   // reads served since the last fill
    uint64_t served = 0;  // bytes served since the last fill
    uint64_t cursor = 0;  // end of the last read of the reader it follows
    uint32_t direct_left = 0;  // small reads still to go straight to the file
  };

  bool Flush();
  Window* FillWindow(Window* w, uint64_t at);
  // The window of the reader that is now at `at`: the one whose last read
  // ended closest before it, else the least recently used.
  Window* Follow(uint64_t at, bool* following);

  // Reads and writes of at least this many bytes go straight to the file:
  // frames are copied once, not through a buffer.
  static constexpr size_t kDirect = 64 * 1024;
  // A window that served fewer reads than this before it was refilled, or
  // less than 1/kWorthyShare of its bytes, held mostly bytes nobody wanted
  // (sound chunks between DV frames, or between the REF records that one
  // stream's copy picks out): the next kSparseReads small reads go straight
  // to the file instead.
  static constexpr uint32_t kWorthyFill = 8;
  static constexpr uint64_t kWorthyShare = 8;
  static constexpr uint32_t kSparseReads = 16;
  // A read at most this far past a window's last read continues its reader.
  static constexpr uint64_t kFollowDistance = 1 << 20;
  static constexpr size_t kWriteBuffer = 1 << 20;
  static constexpr size_t kWindow = 128 * 1024;

  FileSystem& fs_;
  std::unique_ptr<File> file_;
  bool writable_ = false;
  bool failed_ = false;     // a buffered write was lost: later writes fail
  uint64_t position_ = 0;   // the caller's position
  uint64_t end_ = 0;        // the file's length, buffered bytes included
  // Write buffer: bytes for [wstart_, wstart_ + wbuf_.size()).
  std::vector<uint8_t> wbuf_;
  uint64_t wstart_ = 0;
  // Two read windows: the copy reads video and audio along two indexes,
  // which move through the file apart from each other.
  Window windows_[2];
  uint64_t clock_ = 0;
};

}  // namespace mendora
