#pragma once
// Block-buffered reading of reference AVI files and data files. Every
// transfer from the system is one 65536-byte block at a 65536-aligned
// position, opened for unbuffered reading (no system cache; overlapped on
// Windows NT), so the walk over a multi-GiB file touches each block once and
// small reads (8-byte headers, 4-byte FOURCCs) cost no system call.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "platform/fs.h"

namespace mendora {

class BufferedFile {
 public:
  static constexpr size_t kBlockSize = 65536;
  // Unbuffered transfers need sector-aligned memory.
  static constexpr size_t kBufferAlignment = 4096;

  explicit BufferedFile(FileSystem& fs);
  virtual ~BufferedFile();
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;

  // Mode 0: an existing file, read access, read sharing only. Returns 1 on
  // success, 0 on failure (the object stays closed).
  int Open(const std::string& path, int mode = 0);
  bool IsOpen() const { return file_ != nullptr; }

  // Delivers up to `count` bytes from the current position: fewer at the end
  // of the file or after a failed system read. Reads inside the loaded block
  // (the walk's headers and records) are served inline.
  size_t Read(void* buffer, size_t count) {
    if (const uint8_t* in_block = Peek(count)) {
      std::memcpy(buffer, in_block, count);
      position_ += count;
      return count;
    }
    return ReadSlow(buffer, count);
  }

  // Origin 0 from the start, 1 from the current position. Returns the new
  // position, 0 on failure (target past the end, origin 2, read failure);
  // the position is then unchanged. Prefer SeekTo, whose result is not
  // ambiguous at position 0.
  uint64_t Seek(int64_t offset, int origin);
  // The next `count` bytes in place when the loaded block holds them all,
  // else null; the position does not move (Skip moves it).
  const uint8_t* Peek(size_t count) const {
    if (loaded_ && position_ >= block_start_ && position_ - block_start_ <= block_length_ &&
        block_length_ - (position_ - block_start_) >= count)
      return block_.get() + (position_ - block_start_);
    return nullptr;
  }
  // Moves past bytes that Peek delivered.
  void Skip(size_t count) { position_ += count; }

  bool SeekTo(uint64_t target) {
    // Inside the loaded block: no file access.
    if (loaded_ && target >= block_start_ && target - block_start_ < kBlockSize &&
        target <= block_start_ + block_length_) {
      position_ = target;
      return true;
    }
    return SeekSlow(target);
  }

  uint64_t Tell() const { return position_; }
  // The size the file had when it was opened.
  uint64_t Size() const { return size_; }
  const std::string& Name() const { return name_; }

  void Close();

  // Number of system reads so far (block loads and direct reads).
  uint64_t system_reads() const { return system_reads_; }

 private:
  struct AlignedFree {
    void operator()(uint8_t* p) const;
  };

  size_t ReadSlow(void* buffer, size_t count);
  bool SeekSlow(uint64_t target);
  bool LoadBlock(uint64_t start);
  bool InLoadedBlock(uint64_t pos) const {
    return loaded_ && pos >= block_start_ && pos < block_start_ + block_length_;
  }

  FileSystem& fs_;
  std::unique_ptr<File> file_;
  std::unique_ptr<uint8_t, AlignedFree> block_;
  bool loaded_ = false;
  uint64_t block_start_ = 0;   // multiple of kBlockSize
  size_t block_length_ = 0;    // bytes the loaded block holds (short at the end)
  uint64_t position_ = 0;
  uint64_t size_ = 0;
  std::string name_;
  uint64_t system_reads_ = 0;
};

}  // namespace mendora
