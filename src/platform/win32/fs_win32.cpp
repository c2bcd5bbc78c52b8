// The file system on Windows: the A functions with the paths unchanged.
#include <windows.h>
#include <io.h>

#include <algorithm>
#include <cerrno>

#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/win_path.h"

namespace mendora {
namespace {

// Reads and writes carry their offset in an OVERLAPPED, so one code path
// serves ordinary handles and the unbuffered, overlapped ones; the position
// is kept here.
class Win32File : public File {
 public:
  Win32File(HANDLE handle, bool overlapped) : handle_(handle), overlapped_(overlapped) {}
  ~Win32File() override { Close(); }

  size_t Read(void* buffer, size_t n) override {
    const size_t got = ReadAt(position_, buffer, n);
    position_ += got;
    return got;
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!Transfer(false, offset + done, static_cast<char*>(buffer) + done, piece, &got)) break;
      if (got == 0) {
        SetLastError(ERROR_HANDLE_EOF);
        break;
      }
      done += got;
    }
    return done;
  }

  size_t Write(const void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD put = 0;
      if (!Transfer(true, position_ + done, const_cast<char*>(static_cast<const char*>(buffer)) + done, piece, &put))
        break;
      if (put == 0) {
        SetLastError(ERROR_DISK_FULL);
        break;
      }
      done += put;
    }
    position_ += done;
    return done;
  }

  bool Seek(uint64_t offset) override {
    position_ = offset;
    return true;
  }
  uint64_t Tell() override { return position_; }

  bool Size(uint64_t* size) override {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(handle_, &value)) return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
  }

  bool SetEnd() override {
    LARGE_INTEGER target;
    target.QuadPart = static_cast<LONGLONG>(position_);
    return SetFilePointerEx(handle_, target, nullptr, FILE_BEGIN) && SetEndOfFile(handle_);
  }

  bool Flush() override { return handle_ == INVALID_HANDLE_VALUE || FlushFileBuffers(handle_) != 0; }

  bool Close() override {
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  bool Transfer(bool write, uint64_t offset, char* buffer, DWORD n, DWORD* done) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const BOOL ok = write ? WriteFile(handle_, buffer, n, done, &ov) : ReadFile(handle_, buffer, n, done, &ov);
    if (ok) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_HANDLE_EOF) {
      *done = 0;
      return true;
    }
    if (error != ERROR_IO_PENDING || !overlapped_) return false;
    if (GetOverlappedResult(handle_, &ov, done, TRUE)) return true;
    if (GetLastError() == ERROR_HANDLE_EOF) {
      *done = 0;
      return true;
    }
    return false;
  }

  HANDLE handle_;
  bool overlapped_;
  uint64_t position_ = 0;
};

class Win32DirFind : public DirFind {
 public:
  Win32DirFind(HANDLE find, const WIN32_FIND_DATAA& first) : find_(find), data_(first), have_(true) {}
  ~Win32DirFind() override { FindClose(find_); }

  bool Next(DirEntry* entry) override {
    for (;;) {
      if (!have_ && !FindNextFileA(find_, &data_)) return false;
      have_ = false;
      const std::string name = data_.cFileName;
      if (name == "." || name == "..") continue;
      entry->name = name;
      entry->attributes = data_.dwFileAttributes;
      entry->size = (static_cast<uint64_t>(data_.nFileSizeHigh) << 32) | data_.nFileSizeLow;
      return true;
    }
  }

 private:
  HANDLE find_;
  WIN32_FIND_DATAA data_;
  bool have_;
};

bool IsNtFamily() {
  static const bool nt = [] {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
#pragma GCC diagnostic pop
  }();
  return nt;
}

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL;
    bool overlapped = false;
    switch (mode) {
      case OpenMode::kRead:
        break;
      case OpenMode::kReadUnbuffered:
        flags = FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_NORMAL;
        if (IsNtFamily()) {
          flags |= FILE_FLAG_OVERLAPPED;
          overlapped = true;
        }
        break;
      case OpenMode::kCreateWrite:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
      case OpenMode::kCreateNewWrite:
        access = GENERIC_WRITE;
        disposition = CREATE_NEW;
        break;
    }
    SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ, &security, disposition, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(handle, overlapped);
  }

  bool Exists(const std::string& path) override {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
  }

  uint32_t GetAttributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }

  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    return SetFileAttributesA(path.c_str(), attributes) != 0;
  }

  bool GetSize(const std::string& path, uint64_t* size) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
  }

  AccessResult Access(const std::string& path, bool write) override {
    errno = 0;
    if (_access(path.c_str(), write ? 2 : 4) == 0) return AccessResult::kOk;
    return errno == EACCES ? AccessResult::kDenied : AccessResult::kNotFound;
  }

  bool Identity(const std::string& path, FileIdentity* id) override {
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    const DWORD error = GetLastError();
    CloseHandle(handle);
    if (!ok) {
      SetLastError(error);
      return false;
    }
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
  }

  // Write-through: the rename, and a move's copy before its source goes,
  // are on the disk when the call returns.
  bool Rename(const std::string& from, const std::string& to, bool replace) override {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) != 0;
  }
  bool Move(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
  }
  bool Delete(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
  bool CreateDir(const std::string& path) override { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
  bool RemoveDir(const std::string& path) override { return RemoveDirectoryA(path.c_str()) != 0; }

  // NTFS logs name changes in order and a file's FlushFileBuffers commits
  // that log, so this is a courtesy: volumes that refuse to open or flush
  // a folder (FAT, many network shares) are not an error.
  bool FlushFolder(const std::string& folder) override {
    HANDLE handle = CreateFileA(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return true;
    FlushFileBuffers(handle);
    CloseHandle(handle);
    return true;
  }

  std::unique_ptr<DirFind> Find(const std::string& folder) override {
    const std::string pattern = folder.empty() ? "*.*" : WinPath().Join(folder, "*.*");
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32DirFind>(find, data);
  }

  bool SetCurrentDir(const std::string& path) override { return SetCurrentDirectoryA(path.c_str()) != 0; }

  std::string GetCurrentDir() override {
    char buffer[MAX_PATH + 1];
    const DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return (n == 0 || n > MAX_PATH) ? std::string() : std::string(buffer, n);
  }

  uint32_t LogicalDrives() override { return GetLogicalDrives(); }
};

}  // namespace

FileSystem& SystemFileSystem() {
  static Win32FileSystem system;
  return system;
}

}  // namespace mendora
