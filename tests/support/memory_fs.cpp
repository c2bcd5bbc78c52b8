#include "support/memory_fs.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"
#include "platform/wintypes.h"

namespace mendora::test {

class MemoryFileSystem::MemoryFile : public File {
 public:
  MemoryFile(MemoryFileSystem* fs, std::shared_ptr<std::string> data, bool writable)
      : fs_(fs), data_(std::move(data)), writable_(writable) {}

  size_t Read(void* buffer, size_t n) override {
    const size_t got = ReadAt(position_, buffer, n);
    position_ += got;
    return got;
  }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    const bool fail = fs_->fail_reads_from_ >= 0 && static_cast<long>(fs_->reads_.size()) >= fs_->fail_reads_from_;
    fs_->reads_.push_back({offset, n, buffer});
    if (fail) {
      SetLastSystemError(kErrorReadFault);
      return 0;
    }
    if (offset >= data_->size()) return 0;
    const size_t got = static_cast<size_t>(std::min<uint64_t>(n, data_->size() - offset));
    std::memcpy(buffer, data_->data() + offset, got);
    return got;
  }
  size_t Write(const void* buffer, size_t n) override {
    if (!writable_ || position_ > fs_->cap_ || n > fs_->cap_ - position_) {
      SetLastSystemError(writable_ ? kErrorDiskFull : kErrorAccessDenied);
      return 0;
    }
    if (data_->size() < position_ + n) data_->resize(static_cast<size_t>(position_ + n));
    std::memcpy(data_->data() + position_, buffer, n);
    position_ += n;
    return n;
  }
  bool Seek(uint64_t offset) override {
    position_ = offset;
    return true;
  }
  uint64_t Tell() override { return position_; }
  bool Size(uint64_t* size) override {
    *size = data_->size();
    return true;
  }
  bool SetEnd() override {
    if (!writable_ || position_ > fs_->cap_) return false;
    data_->resize(static_cast<size_t>(position_));
    return true;
  }
  bool Close() override { return true; }

 private:
  MemoryFileSystem* fs_;
  std::shared_ptr<std::string> data_;
  bool writable_;
  uint64_t position_ = 0;
};

void MemoryFileSystem::Add(const std::string& path, std::string bytes) {
  auto it = files_.find(path);
  if (it != files_.end()) {
    *it->second = std::move(bytes);
  } else {
    files_[path] = std::make_shared<std::string>(std::move(bytes));
  }
}

std::string MemoryFileSystem::Bytes(const std::string& path) const {
  auto it = files_.find(path);
  return it == files_.end() ? std::string() : *it->second;
}

std::unique_ptr<File> MemoryFileSystem::Open(const std::string& path, OpenMode mode) {
  auto it = files_.find(path);
  const bool write = mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateNewWrite;
  if (write) {
    if (it != files_.end() && mode == OpenMode::kCreateNewWrite) {
      SetLastSystemError(kErrorFileExists);
      return nullptr;
    }
    if (it == files_.end()) it = files_.emplace(path, std::make_shared<std::string>()).first;
    it->second->clear();
  } else if (it == files_.end()) {
    SetLastSystemError(kErrorFileNotFound);
    return nullptr;
  }
  ++opens_;
  return std::make_unique<MemoryFile>(this, it->second, write);
}

uint32_t MemoryFileSystem::GetAttributes(const std::string& path) {
  return Exists(path) ? kAttrNormal : kInvalidAttributes;
}

bool MemoryFileSystem::GetSize(const std::string& path, uint64_t* size) {
  auto it = files_.find(path);
  if (it == files_.end()) return false;
  *size = it->second->size();
  return true;
}

AccessResult MemoryFileSystem::Access(const std::string& path, bool) {
  if (!Exists(path)) return AccessResult::kNotFound;
  if (std::find(denied_.begin(), denied_.end(), path) != denied_.end()) return AccessResult::kDenied;
  return AccessResult::kOk;
}

bool MemoryFileSystem::Identity(const std::string& path, FileIdentity* id) {
  auto it = files_.find(path);
  if (it == files_.end()) return false;
  id->index = reinterpret_cast<uintptr_t>(it->second.get());
  return true;
}

bool MemoryFileSystem::Rename(const std::string& from, const std::string& to, bool replace) {
  auto it = files_.find(from);
  if (it == files_.end() || (!replace && Exists(to))) return false;
  std::shared_ptr<std::string> data = it->second;
  files_.erase(it);
  files_[to] = std::move(data);
  return true;
}

}  // namespace mendora::test
