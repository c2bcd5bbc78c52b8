// The file system on POSIX, with the Windows semantics the program relies on:
//   - drive letters through the DriveMap; two letters are two volumes, so a
//     rename between them fails as MoveFileEx does;
//   - the read-only attribute is the absence of write permission and is
//     honoured even for root: such a file cannot be opened for writing,
//     deleted or replaced;
//   - hidden and system live in the user.DOSATTRIB extended attribute, in
//     the text form ("0x22") that Samba also reads;
//   - symbolic links are reported as reparse points.
// Not emulated: share modes (a file open for writing can still be opened for
// reading) and case-insensitive names (names match exactly).
#include "platform/posix/fs_posix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/codepage.h"
#include "platform/posix/read_helper.h"
#include "platform/posix/read_ring.h"
#include "platform/win_path.h"

namespace mendora {
namespace {

constexpr char kDosAttribute[] = "user.DOSATTRIB";

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

char DriveOf(const std::string& path) {
  return HasDriveLetter(path) ? static_cast<char>(path[0] & ~0x20) : 0;
}

bool Fail(uint32_t error) {
  SetLastSystemError(error);
  return false;
}

uint32_t DosBits(const std::string& native) {
  char text[32] = {};
  const ssize_t n = ::lgetxattr(native.c_str(), kDosAttribute, text, sizeof text - 1);
  if (n <= 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return 0;
  return static_cast<uint32_t>(std::strtoul(text + 2, nullptr, 16)) & (kAttrHidden | kAttrSystem);
}

std::string ParentOf(const std::string& native) {
  const size_t slash = native.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return native.substr(0, slash);
}

bool IsDir(const std::string& native) {
  struct stat st {};
  return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsReadOnly(const struct stat& st) { return !S_ISDIR(st.st_mode) && (st.st_mode & 0222) == 0; }

// fsync on the folder itself: its entries survive a power loss. A file
// system that cannot sync a folder (EINVAL) writes its names its own way.
bool SyncDir(const std::string& native) {
  const int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  if (!ok) SetLastErrorFromErrno();
  ::close(fd);
  return ok;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, ReadBatching batching) : fd_(fd), batching_(batching) {}
  ~PosixFile() override { Close(); }

  size_t Read(void* buffer, size_t n) override {
    const size_t got = ReadAt(position_, buffer, n);
    position_ += got;
    return got;
  }

  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    auto* out = static_cast<char*>(buffer);
    return Transfer(n, kErrorHandleEof, [&](size_t done) {
      return ::pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
    });
  }

  // A small batch on a file without a ring reads one pread each: setting up
  // a ring costs more than the calls it spares. The rest go to the ring;
  // the largest, where the machine has a second CPU, are shared between
  // this thread and a helper with a ring of its own.
  size_t ReadAtEach(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) override {
    if (count < kMinRingBatch && !ring_) return File::ReadAtEach(offsets, count, size, out);
    ReadHelper* helper = count >= kSplitReadBatch ? Helper(size) : nullptr;
    if (helper == nullptr) return ReadInTurn(offsets, count, size, out);
    const size_t chunks = (count + kSplitChunk - 1) / kSplitChunk;
    chunk_whole_.resize(chunks);
    helper->Read(*ring_, offsets, count, size, out, kSplitChunk, chunk_whole_.data());
    if (helper->Broken()) {
      helper_.reset();
      helper_wanted_ = false;
    }
    size_t whole = 0;
    for (size_t k = 0; k < chunks && whole == k * kSplitChunk; ++k) whole += chunk_whole_[k];
    if (whole == count) return count;
    // A read came back short or was never made (a ring failed): from there
    // on as ReadInTurn reads, which looks into a short read with pread.
    return whole + ReadInTurn(offsets + whole, count - whole, size, out + whole * size);
  }

  size_t Write(const void* buffer, size_t n) override {
    const auto* in = static_cast<const char*>(buffer);
    const size_t done = Transfer(n, kErrorDiskFull, [&](size_t so_far) {
      return ::pwrite(fd_, in + so_far, n - so_far, static_cast<off_t>(position_ + so_far));
    });
    position_ += done;
    return done;
  }

  bool Seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return Fail(kErrorInvalidParameter);
    position_ = offset;
    return true;
  }
  uint64_t Tell() override { return position_; }

  bool Size(uint64_t* size) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
      SetLastErrorFromErrno();
      return false;
    }
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }

  bool SetEnd() override {
    if (::ftruncate(fd_, static_cast<off_t>(position_)) != 0) {
      SetLastErrorFromErrno();
      return false;
    }
    return true;
  }

  bool Flush() override {
    if (fd_ >= 0 && ::fsync(fd_) != 0) {
      SetLastErrorFromErrno();
      return false;
    }
    return true;
  }

  bool Close() override {
    if (fd_ < 0) return true;
    helper_.reset();
    ring_.reset();
    const int r = ::close(fd_);
    fd_ = -1;
    if (r != 0) {
      SetLastErrorFromErrno();
      return false;
    }
    return true;
  }

 private:
  // Repeats `step(done)` (a pread or pwrite of what is left) until `n` bytes
  // have gone, an error, or a call that moves nothing, which sets
  // `on_nothing` as the error. Interrupted calls are repeated.
  template <typename Step>
  static size_t Transfer(size_t n, uint32_t on_nothing, Step step) {
    size_t done = 0;
    while (done < n) {
      const ssize_t r = step(done);
      if (r < 0) {
        if (errno == EINTR) continue;
        SetLastErrorFromErrno();
        break;
      }
      if (r == 0) {
        SetLastSystemError(on_nothing);
        break;
      }
      done += static_cast<size_t>(r);
    }
    return done;
  }

  // The ring for reads of `size` bytes, set up at the first batch; null
  // where reads go one pread each.
  ReadRing* Ring(size_t size) {
    if (batching_ == ReadBatching::kPread || size > kMaxRingRead || fd_ < 0) return nullptr;
    if (!ring_) {
      ring_ = ReadRing::Create(fd_);
      // Asked once per file: where there is no ring there will be none.
      if (!ring_) batching_ = ReadBatching::kPread;
    }
    return ring_.get();
  }

  // The batch through this thread's ring, else one pread each. A read that
  // comes back short from the ring is made again with pread, which tells
  // whether the file ends there, the read failed or it was merely cut short,
  // and leaves the error of a real failure.
  size_t ReadInTurn(const uint64_t* offsets, size_t count, size_t size, uint8_t* out) {
    size_t whole = 0;
    while (whole < count) {
      ReadRing* ring = Ring(size);
      if (ring == nullptr) break;
      whole += ring->ReadAtEach(offsets + whole, count - whole, size, out + whole * size);
      if (whole == count) break;
      if (ring->Broken()) {
        ring_.reset();
        batching_ = ReadBatching::kPread;
      }
      if (ReadAt(offsets[whole], out + whole * size, size) != size) return whole;
      ++whole;
    }
    return whole + File::ReadAtEach(offsets + whole, count - whole, size, out + whole * size);
  }

  // The helper for a batch of `size`-byte reads, started at the first large
  // batch; null where this thread reads alone: one CPU, no ring, or no
  // helper to be had.
  ReadHelper* Helper(size_t size) {
    if (batching_ == ReadBatching::kRingOneThread || Ring(size) == nullptr) return nullptr;
    if (!helper_ && helper_wanted_) {
      static const unsigned cpus = std::thread::hardware_concurrency();
      const bool always = batching_ == ReadBatching::kRingTwoThreads;
      if (cpus > 1 || always) helper_ = ReadHelper::Start(fd_, always);
      // Asked once per file, as the ring is.
      helper_wanted_ = helper_ != nullptr;
    }
    return helper_.get();
  }

  // A ring read reports its count as an int; large reads gain nothing there.
  static constexpr size_t kMaxRingRead = size_t{1} << 20;
  // Below this many reads a file that has no ring yet reads with pread: a
  // ring takes some 35 us to set up and tear down (io_uring_setup, its
  // mappings, the probe); from open to close, a ring first paid here at
  // about 48 reads from the cache.
  static constexpr size_t kMinRingBatch = 48;
  // The reads a thread takes at a time in a split batch: one ring's worth.
  // Splitting pays from two or three chunks on (kSplitReadBatch).
  static constexpr size_t kSplitChunk = 128;

  int fd_;
  ReadBatching batching_;
  std::unique_ptr<ReadRing> ring_;
  std::unique_ptr<ReadHelper> helper_;  // joined before fd_ is closed
  bool helper_wanted_ = true;
  std::vector<size_t> chunk_whole_;  // of a split batch, what each chunk read whole
  uint64_t position_ = 0;
};

class PosixDirFind : public DirFind {
 public:
  PosixDirFind(DIR* dir, std::string native, bool names_only, int code_page)
      : dir_(dir), native_(std::move(native)), names_only_(names_only), code_page_(code_page) {}
  ~PosixDirFind() override { ::closedir(dir_); }

  bool Next(DirEntry* entry) override {
    while (const dirent* d = ::readdir(dir_)) {
      const std::string native_name = d->d_name;
      // A name with a backslash cannot be written as a Windows path, nor one
      // that the code page of recorded paths cannot hold.
      if (native_name == "." || native_name == ".." || native_name.find('\\') != std::string::npos) continue;
      std::string name;
      if (!Utf8ToCodePage(code_page_, native_name, &name)) continue;
      const std::string path = native_ + "/" + native_name;
      // The kind the directory itself reports spares a stat per entry.
      if (names_only_ && (d->d_type == DT_DIR || d->d_type == DT_REG)) {
        entry->name = name;
        entry->attributes = d->d_type == DT_DIR ? kAttrDirectory : kAttrArchive;
        entry->size = 0;
        return true;
      }
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) continue;
      entry->name = name;
      entry->attributes = 0;
      entry->size = 0;
      if (S_ISLNK(st.st_mode)) {
        entry->attributes |= kAttrReparsePoint;
        if (IsDir(path)) entry->attributes |= kAttrDirectory;
      } else if (S_ISDIR(st.st_mode)) {
        entry->attributes |= kAttrDirectory;
      } else {
        entry->attributes |= kAttrArchive;
        entry->size = static_cast<uint64_t>(st.st_size);
        if (IsReadOnly(st)) entry->attributes |= kAttrReadOnly;
      }
      entry->attributes |= DosBits(path);
      return true;
    }
    SetLastSystemError(kErrorNoMoreFiles);
    return false;
  }

 private:
  DIR* dir_;
  std::string native_;
  bool names_only_;
  int code_page_;
};

// Copies data, permissions and the DOS attribute; removes a partial target.
bool CopyFileContents(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  struct stat st {};
  ::fstat(in, &st);
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (out < 0) {
    SetLastErrorFromErrno();
    ::close(in);
    return false;
  }
  std::vector<char> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    const ssize_t r = ::read(in, buffer.data(), buffer.size());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      SetLastErrorFromErrno();
      ok = false;
      break;
    }
    if (r == 0) break;
    ssize_t done = 0;
    while (done < r) {
      const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(r - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        if (w < 0) SetLastErrorFromErrno(); else SetLastSystemError(kErrorDiskFull);
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  // On the disk before the caller deletes the source.
  if (ok && ::fsync(out) != 0) {
    SetLastErrorFromErrno();
    ok = false;
  }
  if (::close(out) != 0 && ok) {
    SetLastErrorFromErrno();
    ok = false;
  }
  ::close(in);
  if (!ok) {
    ::unlink(to.c_str());
    return false;
  }
  char dos[32];
  const ssize_t n = ::getxattr(from.c_str(), kDosAttribute, dos, sizeof dos);
  if (n > 0) ::setxattr(to.c_str(), kDosAttribute, dos, static_cast<size_t>(n), 0);
  ::chmod(to.c_str(), st.st_mode & 07777);
  return true;
}

}  // namespace

uint32_t WinErrorFromErrno(int err) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kErrorAccessDenied;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EXDEV: return kErrorNotSameDevice;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case EEXIST: return kErrorAlreadyExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kErrorDiskFull;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case EMFILE:
    case ENFILE: return kErrorTooManyOpenFiles;
    case EBADF: return kErrorInvalidHandle;
    case EINVAL: return kErrorInvalidParameter;
    case ENOTSUP: return kErrorNotSupported;
    case EIO: return kErrorReadFault;
    default: return kErrorInvalidFunction;
  }
}

void SetLastErrorFromErrno() { SetLastSystemError(WinErrorFromErrno(errno)); }

PosixFileSystem::PosixFileSystem(DriveMap map, ReadBatching batching) : map_(std::move(map)), batching_(batching) {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) != nullptr) {
    if (auto windows = map_.ToWindows(buffer)) current_dir_ = *windows;
  }
}

std::optional<std::string> PosixFileSystem::Native(const std::string& path) const {
  return map_.ToNative(path);
}

#define MENDORA_NATIVE_OR(path, native, failure)    \
  const auto native##_mapped = Native(path);        \
  if (!native##_mapped) {                           \
    SetLastSystemError(kErrorPathNotFound);         \
    return failure;                                 \
  }                                                 \
  const std::string& native = *native##_mapped

std::unique_ptr<File> PosixFileSystem::Open(const std::string& path, OpenMode mode) {
  MENDORA_NATIVE_OR(path, native, nullptr);
  struct stat st {};
  const bool exists = ::stat(native.c_str(), &st) == 0;
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead:
    case OpenMode::kReadUnbuffered:
      if (exists && S_ISDIR(st.st_mode)) {
        SetLastSystemError(kErrorAccessDenied);
        return nullptr;
      }
      flags |= O_RDONLY;
      break;
    case OpenMode::kCreateWrite:
    case OpenMode::kCreateNewWrite:
      if (exists && mode == OpenMode::kCreateNewWrite) {
        SetLastSystemError(kErrorFileExists);
        return nullptr;
      }
      if (exists && (S_ISDIR(st.st_mode) || IsReadOnly(st))) {
        SetLastSystemError(kErrorAccessDenied);
        return nullptr;
      }
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      if (mode == OpenMode::kCreateNewWrite) flags |= O_EXCL;
      break;
  }
  const int fd = ::open(native.c_str(), flags, 0666);
  if (fd < 0) {
    if (errno == ENOENT && mode != OpenMode::kRead && mode != OpenMode::kReadUnbuffered)
      SetLastSystemError(kErrorPathNotFound);
    else
      SetLastErrorFromErrno();
    return nullptr;
  }
  if (mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateNewWrite)
    ::removexattr(native.c_str(), kDosAttribute);  // a new file starts without attributes
  return std::make_unique<PosixFile>(fd, batching_);
}

bool PosixFileSystem::Exists(const std::string& path) {
  // A search for a path ending in a separator finds nothing on Windows.
  // ("D:\x\ソ" ends with the byte 0x5C, not with a separator.)
  if (path.empty() || WinPath(map_.code_page()).EndsWithSeparator(path)) return Fail(kErrorFileNotFound);
  MENDORA_NATIVE_OR(path, native, false);
  struct stat st {};
  if (::lstat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

uint32_t PosixFileSystem::GetAttributes(const std::string& path) {
  MENDORA_NATIVE_OR(path, native, kInvalidAttributes);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return kInvalidAttributes;
  }
  uint32_t attributes = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if (IsReadOnly(st)) attributes |= kAttrReadOnly;
  return attributes | DosBits(native);
}

bool PosixFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  MENDORA_NATIVE_OR(path, native, false);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kAttrReadOnly) ? (mode & ~0222) : (mode | 0200);
    if (::chmod(native.c_str(), mode) != 0) {
      SetLastErrorFromErrno();
      return false;
    }
  }
  const uint32_t dos = attributes & (kAttrHidden | kAttrSystem);
  if (dos == 0) {
    if (::removexattr(native.c_str(), kDosAttribute) != 0 && errno != ENODATA && errno != ENOTSUP) {
      SetLastErrorFromErrno();
      return false;
    }
    return true;
  }
  char text[16];
  const int n = std::snprintf(text, sizeof text, "0x%x", dos);
  if (::setxattr(native.c_str(), kDosAttribute, text, static_cast<size_t>(n) + 1, 0) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool PosixFileSystem::GetSize(const std::string& path, uint64_t* size) {
  MENDORA_NATIVE_OR(path, native, false);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  *size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  return true;
}

AccessResult PosixFileSystem::Access(const std::string& path, bool write) {
  const auto native = Native(path);
  if (!native) return AccessResult::kNotFound;
  if (::access(native->c_str(), write ? W_OK : R_OK) != 0)
    return errno == EACCES || errno == EROFS ? AccessResult::kDenied : AccessResult::kNotFound;
  struct stat st {};
  if (write && ::stat(native->c_str(), &st) == 0 && IsReadOnly(st)) return AccessResult::kDenied;
  return AccessResult::kOk;
}

bool PosixFileSystem::Identity(const std::string& path, FileIdentity* id) {
  MENDORA_NATIVE_OR(path, native, false);
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  id->volume = static_cast<uint64_t>(st.st_dev);
  id->index = static_cast<uint64_t>(st.st_ino);
  return true;
}

bool PosixFileSystem::Rename(const std::string& from, const std::string& to, bool replace) {
  MENDORA_NATIVE_OR(from, source, false);
  MENDORA_NATIVE_OR(to, target, false);
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  if (!IsDir(ParentOf(target))) return Fail(kErrorPathNotFound);
  if (DriveOf(from) != DriveOf(to)) return Fail(kErrorNotSameDevice);
  struct stat existing {};
  if (source != target && ::lstat(target.c_str(), &existing) == 0) {
    const bool same_file = existing.st_dev == st.st_dev && existing.st_ino == st.st_ino;
    if (!same_file) {
      if (!replace) return Fail(kErrorAlreadyExists);
      if (S_ISDIR(existing.st_mode) || IsReadOnly(existing)) return Fail(kErrorAccessDenied);
    }
  }
  if (::rename(source.c_str(), target.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool PosixFileSystem::Move(const std::string& from, const std::string& to) {
  MENDORA_NATIVE_OR(from, source, false);
  MENDORA_NATIVE_OR(to, target, false);
  struct stat st {};
  if (::lstat(source.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  struct stat existing {};
  if (::lstat(target.c_str(), &existing) == 0 &&
      !(existing.st_dev == st.st_dev && existing.st_ino == st.st_ino))
    return Fail(kErrorAlreadyExists);
  if (!IsDir(ParentOf(target))) return Fail(kErrorPathNotFound);
  if (DriveOf(from) == DriveOf(to)) {
    if (DriveOf(from) != 0) return Rename(from, to, false);
    // Native paths: one volume when rename(2) manages it.
    if (::rename(source.c_str(), target.c_str()) == 0) return true;
    if (errno != EXDEV) {
      SetLastErrorFromErrno();
      return false;
    }
  }
  if (S_ISDIR(st.st_mode)) return Fail(kErrorNotSameDevice);
  // Another volume: copy, then delete the source; no half-done move is left.
  if (!CopyFileContents(source, target)) return false;
  if (!SyncDir(ParentOf(target))) {
    const uint32_t error = GetLastSystemError();
    ::unlink(target.c_str());
    return Fail(error);
  }
  if (::unlink(source.c_str()) != 0) {
    const uint32_t error = WinErrorFromErrno(errno);
    ::unlink(target.c_str());
    return Fail(error);
  }
  return true;
}

bool PosixFileSystem::Delete(const std::string& path) {
  MENDORA_NATIVE_OR(path, native, false);
  struct stat st {};
  if (::lstat(native.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(kErrorAccessDenied);
  if (::unlink(native.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool PosixFileSystem::CreateDir(const std::string& path) {
  MENDORA_NATIVE_OR(path, native, false);
  if (::mkdir(native.c_str(), 0777) != 0) {
    if (errno == ENOENT) return Fail(kErrorPathNotFound);
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool PosixFileSystem::RemoveDir(const std::string& path) {
  MENDORA_NATIVE_OR(path, native, false);
  if (::rmdir(native.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool PosixFileSystem::FlushFolder(const std::string& folder) {
  MENDORA_NATIVE_OR(folder, native, false);
  return SyncDir(native);
}

std::unique_ptr<DirFind> PosixFileSystem::Find(const std::string& folder) { return List(folder, false); }

std::unique_ptr<DirFind> PosixFileSystem::FindNames(const std::string& folder) { return List(folder, true); }

std::unique_ptr<DirFind> PosixFileSystem::List(const std::string& folder, bool names_only) {
  MENDORA_NATIVE_OR(folder, native, nullptr);
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) {
    SetLastErrorFromErrno();
    return nullptr;
  }
  std::string base = native;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return std::make_unique<PosixDirFind>(dir, base, names_only, map_.code_page());
}

bool PosixFileSystem::SetCurrentDir(const std::string& path) {
  std::string folder = path;
  if (folder.size() == 2 && HasDriveLetter(folder)) folder += '\\';
  MENDORA_NATIVE_OR(folder, native, false);
  if (!IsDir(native)) {
    struct stat st {};
    return Fail(::stat(native.c_str(), &st) == 0 ? kErrorInvalidName : kErrorFileNotFound);
  }
  // GetCurrentDirectory gives no trailing backslash except at a root.
  const WinPath paths(map_.code_page());
  while (folder.size() > 3 && paths.EndsWithSeparator(folder)) folder.pop_back();
  current_dir_ = folder;
  return true;
}

std::string PosixFileSystem::GetCurrentDir() { return current_dir_; }

uint32_t PosixFileSystem::LogicalDrives() { return map_.Present(); }

FileSystem& SystemFileSystem() {
  static PosixFileSystem system(DriveMap::FromEnvironment());
  return system;
}

}  // namespace mendora
