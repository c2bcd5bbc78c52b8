#pragma once
// An in-memory file system for the rewriting fuzz targets: files are byte
// strings, created files are capped so that an input that makes the step
// write much cannot exhaust memory (a write past the cap fails, as on a
// full disk).
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/fs.h"

namespace mendora::fuzz {

class MemoryFs : public FileSystem {
 public:
  static constexpr uint64_t kCap = 64ull << 20;

  void Put(const std::string& path, std::string bytes) { files_[path] = std::make_shared<std::string>(std::move(bytes)); }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateNewWrite) {
      if (mode == OpenMode::kCreateNewWrite && files_.count(path) != 0) return nullptr;
      files_[path] = std::make_shared<std::string>();
    } else if (files_.count(path) == 0) {
      return nullptr;
    }
    return std::make_unique<MemFile>(files_[path]);
  }
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  uint32_t GetAttributes(const std::string& path) override { return Exists(path) ? kAttrNormal : kInvalidAttributes; }
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  bool GetSize(const std::string& path, uint64_t* size) override {
    if (!Exists(path)) return false;
    *size = files_[path]->size();
    return true;
  }
  AccessResult Access(const std::string& path, bool) override {
    return Exists(path) ? AccessResult::kOk : AccessResult::kNotFound;
  }
  bool Identity(const std::string& path, FileIdentity* id) override {
    if (!Exists(path)) return false;
    id->index = reinterpret_cast<uintptr_t>(files_[path].get());
    return true;
  }
  bool Rename(const std::string& from, const std::string& to, bool replace) override {
    if (!Exists(from) || (!replace && Exists(to))) return false;
    files_[to] = files_[from];
    files_.erase(from);
    return true;
  }
  bool Move(const std::string& from, const std::string& to) override { return Rename(from, to, false); }
  bool Delete(const std::string& path) override { return files_.erase(path) != 0; }
  bool CreateDir(const std::string&) override { return false; }
  bool RemoveDir(const std::string&) override { return false; }
  std::unique_ptr<DirFind> Find(const std::string&) override { return nullptr; }
  bool SetCurrentDir(const std::string&) override { return false; }
  std::string GetCurrentDir() override { return "C:\\"; }
  uint32_t LogicalDrives() override { return 1u << 2; }

 private:
  class MemFile : public File {
   public:
    explicit MemFile(std::shared_ptr<std::string> data) : data_(std::move(data)) {}
    size_t Read(void* buffer, size_t n) override {
      const size_t got = ReadAt(position_, buffer, n);
      position_ += got;
      return got;
    }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
      if (offset >= data_->size()) return 0;
      const size_t got = static_cast<size_t>(std::min<uint64_t>(n, data_->size() - offset));
      std::memcpy(buffer, data_->data() + offset, got);
      return got;
    }
    size_t Write(const void* buffer, size_t n) override {
      if (position_ + n > kCap) return 0;
      if (data_->size() < position_ + n) data_->resize(position_ + n);
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
      if (position_ > kCap) return false;
      data_->resize(position_);
      return true;
    }
    bool Close() override { return true; }

   private:
    std::shared_ptr<std::string> data_;
    uint64_t position_ = 0;
  };

  std::map<std::string, std::shared_ptr<std::string>> files_;
};

}  // namespace mendora::fuzz
