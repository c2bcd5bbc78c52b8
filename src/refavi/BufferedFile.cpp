#include "refavi/BufferedFile.h"

#include <cstring>
#include <new>

namespace mendora {

namespace {
constexpr uint64_t kBlockMask = BufferedFile::kBlockSize - 1;

bool IsAligned(const void* p) {
  return reinterpret_cast<uintptr_t>(p) % BufferedFile::kBufferAlignment == 0;
}
}  // namespace

void BufferedFile::AlignedFree::operator()(uint8_t* p) const {
  ::operator delete[](p, std::align_val_t{kBufferAlignment});
}

BufferedFile::BufferedFile(FileSystem& fs) : fs_(fs) {}

BufferedFile::~BufferedFile() { Close(); }

int BufferedFile::Open(const std::string& path, int mode) {
  if (mode != 0) return 0;
  Close();
  std::unique_ptr<File> file = fs_.Open(path, OpenMode::kReadUnbuffered);
  if (!file) return 0;
  uint64_t size = 0;
  if (!file->Size(&size)) return 0;
  file_ = std::move(file);
  size_ = size;
  position_ = 0;
  loaded_ = false;
  name_ = path;
  return 1;
}

void BufferedFile::Close() {
  if (file_) file_->Close();
  file_.reset();
  loaded_ = false;
  block_length_ = 0;
  position_ = 0;
  size_ = 0;
  name_.clear();
}

bool BufferedFile::LoadBlock(uint64_t start) {
  // The block is allocated at the first read: data files opened only for
  // their size cost no buffer.
  if (!block_) {
    auto* raw = static_cast<uint8_t*>(
        ::operator new[](kBlockSize, std::align_val_t{kBufferAlignment}, std::nothrow));
    if (raw == nullptr) return false;
    block_.reset(raw);
  }
  ++system_reads_;
  const size_t got = file_->ReadAt(start, block_.get(), kBlockSize);
  if (got == 0) {
    loaded_ = false;
    return false;
  }
  loaded_ = true;
  block_start_ = start;
  block_length_ = got;
  return true;
}

size_t BufferedFile::ReadSlow(void* buffer, size_t count) {
  if (!file_) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t delivered = 0;
  while (delivered < count) {
    const size_t remaining = count - delivered;
    if (InLoadedBlock(position_)) {
      const size_t available = static_cast<size_t>(block_start_ + block_length_ - position_);
      const size_t n = remaining < available ? remaining : available;
      std::memcpy(out + delivered, block_.get() + (position_ - block_start_), n);
      position_ += n;
      delivered += n;
      continue;
    }
    // A short block is the end of the file.
    if (loaded_ && block_length_ < kBlockSize && position_ == block_start_ + block_length_) break;
    if (position_ >= size_) break;
    const uint64_t aligned = position_ & ~kBlockMask;
    if (position_ == aligned && remaining >= kBlockSize && IsAligned(out + delivered)) {
      // Whole blocks go straight to the caller.
      ++system_reads_;
      const size_t got = file_->ReadAt(position_, out + delivered, kBlockSize);
      position_ += got;
      delivered += got;
      if (got < kBlockSize) break;
      continue;
    }
    if (!LoadBlock(aligned) || !InLoadedBlock(position_)) break;
  }
  return delivered;
}

bool BufferedFile::SeekSlow(uint64_t target) {
  if (!file_) return false;
  if (target > size_) return false;
  const uint64_t start = target & ~kBlockMask;
  if (target == size_ && target == start) {
    // The end of a file whose size is a multiple of the block: nothing to load.
    position_ = target;
    return true;
  }
  if (!LoadBlock(start)) return false;
  position_ = target;
  return true;
}

uint64_t BufferedFile::Seek(int64_t offset, int origin) {
  uint64_t target;
  if (origin == 0) {
    if (offset < 0) return 0;
    target = static_cast<uint64_t>(offset);
  } else if (origin == 1) {
    if (offset < 0 && static_cast<uint64_t>(-(offset + 1)) + 1 > position_) return 0;
    target = position_ + static_cast<uint64_t>(offset);
  } else {
    return 0;
  }
  return SeekTo(target) ? target : 0;
}

}  // namespace mendora
