#pragma once
// A file system that fails one chosen call, for tests that prove nothing is
// lost when a step fails half-way. Calls are counted per kind; the Nth call
// of the chosen kind (0-based) fails with the chosen Windows error, and,
// when sticky, every later call of that kind too.
//
// It can also "crash": from the Nth call of any kind on, every call fails
// and changes nothing, as if the process had died there. What the code
// under test then tries (an undo, a clean-up) never reaches the disk, so the
// disk holds exactly what a crash at that moment would have left.
//
// A crash may also be a power loss, which takes back what the disk had not
// yet been told to keep, from the moment the crash was planned:
//   - a file's bytes are those of its last File::Flush; a file never
//     flushed is empty, and one that was there before and never flushed
//     keeps the bytes it had;
//   - a folder's names (creates, renames in and out, deletes) are those of
//     its last FlushFolder, or of the start when it had none. Folders are
//     independent: a rename between two folders is kept in the one that was
//     flushed and taken back in the other, so a file may end up under both
//     names or under neither.
// A cross-drive Move is taken as a copy that nobody flushed followed by a
// delete. Attributes and folders themselves are not modelled.
//
// Either crash closes every file the code under test still has open, as the
// system does for a dead process: Windows renames, deletes or writes over
// no file that is open, and the disk a crash leaves must not depend on the
// objects the code has not yet destroyed. A File's Close releases the file
// even when it fails.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/fs.h"

namespace mendora {

enum class CrashKind { kProcessDeath, kPowerLoss };

enum class FaultKind {
  kOpen,      // Open for reading
  kCreate,    // Open for writing (create), CreateDir
  kRead,      // File::Read, File::ReadAt
  kWrite,     // File::Write, File::SetEnd
  kRename,    // Rename, Move
  kDelete,    // Delete, RemoveDir
  kAttributes,// GetAttributes, SetAttributes, GetSize, Identity
  kClose,     // File::Close (the last flush), File::Flush, FlushFolder
  kSize,      // File::Size
  kFind,      // Find, FindNames
  kExists,    // Exists
  kCount
};

const char* FaultKindName(FaultKind kind);

class PowerModel;
class OpenFiles;

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner);
  ~FaultyFileSystem() override;

  // Plans one fault. n counts calls of `kind` from the last Reset.
  void FailNth(FaultKind kind, int n, uint32_t error, bool sticky = false);
  // Plans a crash at the nth call of any kind (counted from the last Reset):
  // that call and every later one fail with kErrorNotReady and do nothing.
  // A power loss also puts the disk back to what was flushed since now.
  void CrashAt(int n, CrashKind kind = CrashKind::kProcessDeath);
  // The power goes now, as a kPowerLoss crash that CrashAt planned would:
  // for a power loss after the code under test has returned.
  void LosePower();
  // Clears the plan and the counters.
  void Reset();
  int Calls(FaultKind kind) const { return calls_[static_cast<int>(kind)].load(); }
  // Calls of every kind since the last Reset.
  int TotalCalls() const { return total_.load(); }
  bool Fired() const { return fired_.load(); }
  bool Crashed() const { return crashed_.load(); }

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

  // True when this call of `kind` must fail; sets the last error then.
  bool ShouldFail(FaultKind kind);

 private:
  FileSystem& inner_;
  std::array<std::atomic<int>, static_cast<int>(FaultKind::kCount)> calls_{};
  std::atomic<int> total_{0};
  std::atomic<int> plan_kind_{-1};
  std::atomic<int> plan_n_{-1};
  std::atomic<uint32_t> plan_error_{0};
  std::atomic<bool> plan_sticky_{false};
  std::atomic<int> crash_at_{-1};
  std::atomic<bool> fired_{false};
  std::atomic<bool> crashed_{false};
  std::atomic<bool> power_loss_{false};
  std::shared_ptr<PowerModel> power_;  // while a power loss is planned
  std::shared_ptr<OpenFiles> open_;    // the files this has opened and not yet destroyed
};

}  // namespace mendora
