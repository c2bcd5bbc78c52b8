#pragma once
// A file system in memory for the analysis and rewriting tests, the fuzzers
// and the benchmarks: files by exact path as byte strings. Reads are counted
// and recorded, and can be made to fail from the n-th one on; reading can be
// denied per path; written files can be capped, so that an input that makes
// a step write much fails as on a full disk instead of exhausting memory.
// Folders, attributes and the current folder are not modelled.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace mendora::test {

class MemoryFileSystem : public FileSystem {
 public:
  struct ReadCall {
    uint64_t offset;
    size_t size;
    const void* destination;
  };

  // Adds or replaces a file (an open one sees the new bytes).
  void Add(const std::string& path, std::string bytes);
  void Remove(const std::string& path) { files_.erase(path); }
  // The bytes of `path`; empty when there is no such file.
  std::string Bytes(const std::string& path) const;
  // The access test denies reading `path` (opening it still works).
  void DenyAccess(const std::string& path) { denied_.push_back(path); }
  // The n-th ReadAt/Read from now (0-based) fails, and every later one.
  void FailReadsFrom(int n) { fail_reads_from_ = static_cast<long>(reads_.size()) + n; }
  const std::vector<ReadCall>& reads() const { return reads_; }
  void ClearReads() {
    reads_.clear();
    fail_reads_from_ = -1;
  }
  int opens() const { return opens_; }
  // A write that would make a file longer than `bytes` fails.
  void CapFileSize(uint64_t bytes) { cap_ = bytes; }

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override { return files_.count(path) != 0; }
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string&, uint32_t) override { return false; }
  bool GetSize(const std::string& path, uint64_t* size) override;
  AccessResult Access(const std::string& path, bool write) override;
  bool Identity(const std::string& path, FileIdentity* id) override;
  bool Rename(const std::string& from, const std::string& to, bool replace) override;
  bool Move(const std::string& from, const std::string& to) override { return Rename(from, to, false); }
  bool Delete(const std::string& path) override { return files_.erase(path) != 0; }
  bool CreateDir(const std::string&) override { return false; }
  bool RemoveDir(const std::string&) override { return false; }
  std::unique_ptr<DirFind> Find(const std::string&) override { return nullptr; }
  bool SetCurrentDir(const std::string&) override { return false; }
  std::string GetCurrentDir() override { return "C:\\"; }
  uint32_t LogicalDrives() override { return 1u << 2; }

 private:
  class MemoryFile;

  std::map<std::string, std::shared_ptr<std::string>> files_;
  std::vector<ReadCall> reads_;
  std::vector<std::string> denied_;
  long fail_reads_from_ = -1;
  int opens_ = 0;
  uint64_t cap_ = UINT64_MAX;
};

}  // namespace mendora::test
