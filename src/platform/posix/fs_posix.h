#pragma once
// The file system on POSIX with Windows semantics over a DriveMap.
#include <string>

#include "platform/drive_map.h"
#include "platform/fs.h"

namespace mendora {

// How a file serves File::ReadAtEach, its many small reads at once.
enum class ReadBatching {
  kRing,           // queued to io_uring together where the system allows it,
                   // large batches split with a second thread where there is
                   // a second CPU; else as kPread
  kRingOneThread,  // as kRing, never split (the reference the split is measured against)
  kRingTwoThreads, // as kRing, large batches split on any machine, the helper
                   // always reading its part (for tests)
  kPread,          // one pread each
};

// Under kRing, batches of at least this many reads are split between the
// calling thread and a helper thread, where the machine has two CPUs. Below
// it the helper's wake-up and hand-back take much of what it saves.
constexpr size_t kSplitReadBatch = 512;

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(DriveMap map, ReadBatching batching = ReadBatching::kRing);

  DriveMap& drive_map() { return map_; }
  const DriveMap& drive_map() const { return map_; }
  // The native path of a Windows path, nullopt when it maps nowhere.
  std::optional<std::string> Native(const std::string& path) const;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool GetSize(const std::string& path, uint64_t* size) override;
  AccessResult Access(const std::string& path, bool write) override;
  bool Identity(const std::string& path, FileIdentity* id) override;
  bool Rename(const std::string& from, const std::string& to, bool replace) override;
  bool Move(const std::string& from, const std::string& to) override;
  bool Delete(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  bool FlushFolder(const std::string& folder) override;
  std::unique_ptr<DirFind> Find(const std::string& folder) override;
  std::unique_ptr<DirFind> FindNames(const std::string& folder) override;
  bool SetCurrentDir(const std::string& path) override;
  std::string GetCurrentDir() override;
  uint32_t LogicalDrives() override;

 private:
  std::unique_ptr<DirFind> List(const std::string& folder, bool names_only);

  DriveMap map_;
  ReadBatching batching_;
  std::string current_dir_;
};

// Windows error code for an errno value.
uint32_t WinErrorFromErrno(int err);
// Sets the thread's last error from errno.
void SetLastErrorFromErrno();

}  // namespace mendora
