#pragma once
// The file system as the program sees it: Windows paths (drive letter,
// backslashes, bytes in the ANSI code page) and Windows semantics, on every
// platform. The Win32 build passes paths to the A functions unchanged; the
// POSIX build maps drive letters to folders through a DriveMap.
//
// Every call that fails leaves a Windows error code in GetLastSystemError().
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/wintypes.h"

namespace mendora {

enum class OpenMode {
  kRead,             // existing file, read access, read sharing (sequential scan)
  kReadUnbuffered,   // as kRead, for aligned 64 KiB block reads (no system cache,
                     // overlapped on Windows NT); buffers must be 4096-aligned
  kCreateWrite,      // create or truncate (CREATE_ALWAYS), write access, read sharing
  kCreateNewWrite,   // create only when absent (CREATE_NEW), write access
};

// An open file. Positions are 64-bit. Not shared between threads.
class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes at the current position and advances it. Returns the
  // count delivered: fewer than n at the end of the file, 0 on failure.
  virtual size_t Read(void* buffer, size_t n) = 0;
  // Reads up to n bytes at `offset` without using the current position.
  virtual size_t ReadAt(uint64_t offset, void* buffer, size_t n) = 0;
  // Reads `size` bytes at each of `count` offsets, the i-th to
  // out + i * size, as ReadAt would one by one. Returns how many reads, from
  // the first, came back whole: at the first short one it stops and returns
  // its index, with the last error of that read. What lies in `out` from
  // that read on is undefined. Files that can hand the system many small
  // reads at once (io_uring) override this; the rest read one by one.
  virtual size_t ReadAtEach(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) {
    for (size_t i = 0; i < count; ++i)
      if (ReadAt(offsets[i], out + i * size, size) != size) return i;
    return count;
  }
  // Writes n bytes at the current position. Returns the count written;
  // fewer than n means failure (disk full, I/O error).
  virtual size_t Write(const void* buffer, size_t n) = 0;
  // Moves the position; a position past the end is allowed (as SetFilePointer).
  virtual bool Seek(uint64_t offset) = 0;
  virtual uint64_t Tell() = 0;
  virtual bool Size(uint64_t* size) = 0;
  // Sets the end of the file at the current position (SetEndOfFile).
  virtual bool SetEnd() = 0;
  // Flushes and closes. Also done by the destructor, whose outcome is lost.
  // The file is closed even when this fails: Windows, which renames and
  // deletes no open file, may then be asked to do either at once.
  virtual bool Close() = 0;
  // Puts what was written on the disk itself (fsync, FlushFileBuffers), so
  // that it survives a power loss. Files that live only in memory have
  // nothing to do.
  virtual bool Flush() { return true; }
};

// One entry of a folder listing.
struct DirEntry {
  std::string name;        // file name only, no folder
  uint32_t attributes = 0; // kAttr* bits
  uint64_t size = 0;
};

// A running folder listing (FindFirstFile/FindNextFile). "." and ".." are
// not returned.
class DirFind {
 public:
  virtual ~DirFind() = default;
  virtual bool Next(DirEntry* entry) = 0;
};

// Identity of a file: the same file has the same identity whatever path names
// it (volume serial and file index on Windows, device and inode on POSIX).
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

enum class AccessResult { kOk, kNotFound, kDenied };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Null on failure, with the last error set.
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;

  // A search for exactly this path finds an entry (FindFirstFile).
  virtual bool Exists(const std::string& path) = 0;
  // kInvalidAttributes on failure.
  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // Size by name (GetFileAttributesEx).
  virtual bool GetSize(const std::string& path, uint64_t* size) = 0;
  // The standard access test (access/_access) for read or write permission.
  // A read-only file denies write access.
  virtual AccessResult Access(const std::string& path, bool write) = 0;
  virtual bool Identity(const std::string& path, FileIdentity* id) = 0;

  // MoveFileEx without MOVEFILE_COPY_ALLOWED: a rename on one volume; fails
  // with kErrorNotSameDevice across volumes. `replace` adds
  // MOVEFILE_REPLACE_EXISTING; without it an existing target fails with
  // kErrorAlreadyExists.
  virtual bool Rename(const std::string& from, const std::string& to, bool replace) = 0;
  // MoveFile: renames on one volume, copies then deletes across volumes.
  // Never replaces an existing target.
  virtual bool Move(const std::string& from, const std::string& to) = 0;
  // DeleteFile: a read-only file is refused with kErrorAccessDenied.
  virtual bool Delete(const std::string& path) = 0;
  virtual bool CreateDir(const std::string& path) = 0;
  virtual bool RemoveDir(const std::string& path) = 0;
  // Puts the names in `folder` on the disk itself: the files created,
  // renamed in or out and deleted there survive a power loss from now on.
  // Data written into a file needs that file's own Flush. File systems in
  // memory, and systems that write names through, have nothing to do.
  virtual bool FlushFolder(const std::string& folder) {
    (void)folder;
    return true;
  }

  // Lists `folder` (no pattern, no trailing backslash needed). Null when the
  // folder cannot be listed.
  virtual std::unique_ptr<DirFind> Find(const std::string& folder) = 0;
  // As Find, for walks over many folders that need only the names and the
  // kDirectory and kAttrReparsePoint bits; other attributes and the size may
  // be left 0, which spares a per-entry query where the system allows it.
  virtual std::unique_ptr<DirFind> FindNames(const std::string& folder) { return Find(folder); }

  // The process's current folder (SetCurrentDirectory/GetCurrentDirectory).
  virtual bool SetCurrentDir(const std::string& path) = 0;
  virtual std::string GetCurrentDir() = 0;
  // Bit k set when drive 'A' + k exists (GetLogicalDrives).
  virtual uint32_t LogicalDrives() = 0;
};

// The file system of this platform. Lives for the whole process.
FileSystem& SystemFileSystem();

}  // namespace mendora
