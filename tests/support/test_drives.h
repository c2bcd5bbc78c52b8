#pragma once
// Drives for one test: C:, D: and E: as empty folders. Natively they are
// temporary folders mapped by a PosixFileSystem of the test's own; under
// Windows (Wine) each is a fresh folder on the real drive of that letter.
// Everything is removed when the object goes away.
#include <memory>
#include <string>

#include "platform/fs.h"

namespace mendora::test {

// True when this Windows build runs under Wine. Wine started as root (as CI
// runs it) does not enforce the read-only attribute on writes, and renames
// between two drives that sit on one Unix file system; tests that need those
// Windows behaviours check them natively and skip them there.
bool UnderWine();

class TestDrives {
 public:
  // Drives in a folder of a new name each time. With `fixed_name`, in one
  // of that name (with the process id, so that test programs run side by
  // side stay apart): the paths are then the same for every TestDrives of
  // that name, and files that record full paths compare equal across them.
  // Such drives must live one at a time; a leftover folder is removed first.
  TestDrives();
  explicit TestDrives(const std::string& fixed_name);
  ~TestDrives();
  TestDrives(const TestDrives&) = delete;
  TestDrives& operator=(const TestDrives&) = delete;

  FileSystem& fs() { return *fs_; }

  // Windows path of `relative` (backslashes) on the test's drive `letter`.
  std::string Path(char letter, const std::string& relative) const;
  // The test's root on drive `letter`, with its trailing backslash.
  std::string Root(char letter) const;
  // The path to hand to native tools (ffmpeg, std::filesystem).
  std::string Native(const std::string& windows_path) const;

  // Whole-file helpers on Windows paths; they create missing folders.
  void WriteFile(const std::string& windows_path, const std::string& bytes) const;
  std::string ReadFile(const std::string& windows_path) const;
  bool Exists(const std::string& windows_path) const;

 private:
  std::unique_ptr<FileSystem> own_fs_;
  FileSystem* fs_ = nullptr;
  std::string roots_[3];  // C, D, E: native folders (POSIX) or Windows roots
};

}  // namespace mendora::test
