#include "support/test_drives.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/fs_posix.h"
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace mendora::test {
namespace {

int Slot(char letter) {
  switch (letter) {
    case 'C': case 'c': return 0;
    case 'D': case 'd': return 1;
    case 'E': case 'e': return 2;
  }
  throw std::invalid_argument("test drives are C:, D: and E:");
}

// The process id keeps tests run side by side apart, on Windows too, where
// they share the real drives.
std::string ProcessName() {
  std::ostringstream name;
#ifdef _WIN32
  name << "mendora-test-" << GetCurrentProcessId();
#else
  name << "mendora-test-" << getpid();
#endif
  return name.str();
}

std::string UniqueName() {
  static std::atomic<int> counter{0};
  auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return ProcessName() + "-" + std::to_string(now % 1000000007) + "-" + std::to_string(counter++);
}

void RemoveTree(const fs::path& root) {
  std::error_code ec;
  // Read-only files would block removal on Windows.
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(root, ec);
}

}  // namespace

bool UnderWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

TestDrives::TestDrives() : TestDrives(std::string()) {}

TestDrives::TestDrives(const std::string& fixed_name) {
  const std::string unique = fixed_name.empty() ? UniqueName() : ProcessName() + "-" + fixed_name;
  auto fresh = [&](const fs::path& root) {
    // A fixed name may still hold what an earlier one left; a test that
    // found it would compare stale files.
    if (!fixed_name.empty()) RemoveTree(root);
    std::error_code ec;
    if (fs::exists(root, ec)) throw std::runtime_error("cannot clear the test folder " + root.string());
    fs::create_directories(root);
  };
#ifdef _WIN32
  const char letters[3] = {'C', 'D', 'E'};
  for (int i = 0; i < 3; ++i) {
    roots_[i] = std::string(1, letters[i]) + ":\\" + unique + "\\";
    fresh(roots_[i]);
  }
  fs_ = &SystemFileSystem();
#else
  const fs::path base = fs::temp_directory_path() / unique;
  fresh(base);
  DriveMap map;
  const char letters[3] = {'C', 'D', 'E'};
  for (int i = 0; i < 3; ++i) {
    roots_[i] = (base / std::string(1, static_cast<char>(letters[i] + 'a' - 'A'))).string();
    fs::create_directories(roots_[i]);
    map.Set(letters[i], roots_[i]);
  }
  own_fs_ = std::make_unique<PosixFileSystem>(map);
  fs_ = own_fs_.get();
#endif
}

TestDrives::~TestDrives() {
#ifdef _WIN32
  for (const std::string& root : roots_) RemoveTree(root);
#else
  RemoveTree(fs::path(roots_[0]).parent_path());
#endif
}

std::string TestDrives::Root(char letter) const {
#ifdef _WIN32
  return roots_[Slot(letter)];
#else
  Slot(letter);
  return std::string(1, static_cast<char>('A' + DriveIndex(letter))) + ":\\";
#endif
}

std::string TestDrives::Path(char letter, const std::string& relative) const {
  return Root(letter) + relative;
}

std::string TestDrives::Native(const std::string& windows_path) const {
#ifdef _WIN32
  return windows_path;
#else
  auto native = static_cast<PosixFileSystem*>(fs_)->Native(windows_path);
  if (!native) throw std::invalid_argument("path maps to no test drive: " + windows_path);
  return *native;
#endif
}

void TestDrives::WriteFile(const std::string& windows_path, const std::string& bytes) const {
  const fs::path native = Native(windows_path);
  if (native.has_parent_path()) fs::create_directories(native.parent_path());
  std::ofstream out(native, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + native.string());
}

std::string TestDrives::ReadFile(const std::string& windows_path) const {
  std::ifstream in(Native(windows_path), std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool TestDrives::Exists(const std::string& windows_path) const {
  std::error_code ec;
  return fs::exists(Native(windows_path), ec);
}

}  // namespace mendora::test
