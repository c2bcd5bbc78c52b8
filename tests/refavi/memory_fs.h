#pragma once
// A read-mostly file system in memory for the analysis tests and fuzzers:
// files by exact path, reads counted and recorded, any read can be made to
// fail. Only opening for reading and the size queries are supported.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/wintypes.h"

namespace mendora::test {

class MemoryFileSystem : public FileSystem {
 public:
  struct ReadCall {
    uint64_t offset;
    size_t size;
    const void* destination;
  };

  void Add(const std::string& path, std::string bytes) { files_[path] = std::move(bytes); }
  void Remove(const std::string& path) { files_.erase(path); }
  // The access test denies reading `path` (opening it still works).
  void DenyAccess(const std::string& path) { denied_.push_back(path); }
  // The n-th ReadAt/Read from now (0-based) fails, and every later one.
  void FailReadsFrom(int n) { fail_reads_from_ = static_cast<long>(reads_.size()) + n; }
  const std::vector<ReadCall>& reads() const { return reads_; }
  void ClearReads() { reads_.clear(); fail_reads_from_ = -1; }
  int opens() const { return opens_; }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode != OpenMode::kRead && mode != OpenMode::kReadUnbuffered) return Fail(kErrorAccessDenied);
    auto it = files_.find(path);
    if (it == files_.end()) return Fail(kErrorFileNotFound);
    ++opens_;
    return std::make_unique<MemoryFile>(this, &it->second);
  }
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  uint32_t GetAttributes(const std::string& path) override {
    return Exists(path) ? kAttrNormal : kInvalidAttributes;
  }
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  bool GetSize(const std::string& path, uint64_t* size) override {
    auto it = files_.find(path);
    if (it == files_.end()) return false;
    *size = it->second.size();
    return true;
  }
  AccessResult Access(const std::string& path, bool write) override {
    if (!Exists(path)) return AccessResult::kNotFound;
    if (std::find(denied_.begin(), denied_.end(), path) != denied_.end()) return AccessResult::kDenied;
    return write ? AccessResult::kDenied : AccessResult::kOk;
  }
  bool Identity(const std::string&, FileIdentity*) override { return false; }
  bool Rename(const std::string&, const std::string&, bool) override { return false; }
  bool Move(const std::string&, const std::string&) override { return false; }
  bool Delete(const std::string&) override { return false; }
  bool CreateDir(const std::string&) override { return false; }
  bool RemoveDir(const std::string&) override { return false; }
  std::unique_ptr<DirFind> Find(const std::string&) override { return nullptr; }
  bool SetCurrentDir(const std::string&) override { return false; }
  std::string GetCurrentDir() override { return "C:\\"; }
  uint32_t LogicalDrives() override { return 1u << 2; }

 private:
  class MemoryFile : public File {
   public:
    MemoryFile(MemoryFileSystem* fs, const std::string* data) : fs_(fs), data_(data) {}
    size_t Read(void* buffer, size_t n) override {
      const size_t got = ReadAt(position_, buffer, n);
      position_ += got;
      return got;
    }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
      const bool fail = fs_->fail_reads_from_ >= 0 &&
                        static_cast<long>(fs_->reads_.size()) >= fs_->fail_reads_from_;
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
    size_t Write(const void*, size_t) override { return 0; }
    bool Seek(uint64_t offset) override {
      position_ = offset;
      return true;
    }
    uint64_t Tell() override { return position_; }
    bool Size(uint64_t* size) override {
      *size = data_->size();
      return true;
    }
    bool SetEnd() override { return false; }
    bool Close() override { return true; }

   private:
    MemoryFileSystem* fs_;
    const std::string* data_;
    uint64_t position_ = 0;
  };

  static std::unique_ptr<File> Fail(uint32_t error) {
    SetLastSystemError(error);
    return nullptr;
  }

  std::map<std::string, std::string> files_;
  std::vector<ReadCall> reads_;
  std::vector<std::string> denied_;
  long fail_reads_from_ = -1;
  int opens_ = 0;
};

}  // namespace mendora::test
