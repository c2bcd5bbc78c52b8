#pragma once
// A file system that passes every call to another and counts the bytes read
// from one file by its path: what a run costs in reads of the reference AVI
// it works on, whatever else it opens. Reads on any thread are counted.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/fs.h"

namespace mendora::test {

class CountingFileSystem : public FileSystem {
 public:
  // Counts the reads of the files opened by exactly `watched`.
  CountingFileSystem(FileSystem& inner, std::string watched) : inner_(inner), watched_(std::move(watched)) {}

  // Bytes delivered by Read, ReadAt and ReadAtEach of the watched file.
  uint64_t bytes_read() const { return counter_->load(); }
  void Reset() { counter_->store(0); }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override { return inner_.Exists(path); }
  uint32_t GetAttributes(const std::string& path) override { return inner_.GetAttributes(path); }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    return inner_.SetAttributes(path, attributes);
  }
  bool GetSize(const std::string& path, uint64_t* size) override { return inner_.GetSize(path, size); }
  AccessResult Access(const std::string& path, bool write) override { return inner_.Access(path, write); }
  bool Identity(const std::string& path, FileIdentity* id) override { return inner_.Identity(path, id); }
  bool Rename(const std::string& from, const std::string& to, bool replace) override {
    return inner_.Rename(from, to, replace);
  }
  bool Move(const std::string& from, const std::string& to) override { return inner_.Move(from, to); }
  bool Delete(const std::string& path) override { return inner_.Delete(path); }
  bool CreateDir(const std::string& path) override { return inner_.CreateDir(path); }
  bool RemoveDir(const std::string& path) override { return inner_.RemoveDir(path); }
  bool FlushFolder(const std::string& folder) override { return inner_.FlushFolder(folder); }
  std::unique_ptr<DirFind> Find(const std::string& folder) override { return inner_.Find(folder); }
  std::unique_ptr<DirFind> FindNames(const std::string& folder) override { return inner_.FindNames(folder); }
  bool SetCurrentDir(const std::string& path) override { return inner_.SetCurrentDir(path); }
  std::string GetCurrentDir() override { return inner_.GetCurrentDir(); }
  uint32_t LogicalDrives() override { return inner_.LogicalDrives(); }

 private:
  FileSystem& inner_;
  const std::string watched_;
  // Shared with the open files, which may outlive a Reset.
  std::shared_ptr<std::atomic<uint64_t>> counter_ = std::make_shared<std::atomic<uint64_t>>(0);
};

}  // namespace mendora::test
