#include "operation/FileNames.h"

#include <cstdio>

#include "platform/fs.h"
#include "platform/win_path.h"

namespace mendora {

std::string TemporaryPath(const std::string& path) { return path + ".tmp"; }

std::string BackupPath(const std::string& path) { return path + ".bak"; }
std::string OlderBackupPath(const std::string& path) { return TemporaryPath(BackupPath(path)); }

std::string UniqueCandidate(const std::string& path, unsigned k) {
  const size_t at = WinPath().MarkerPosition(path);
  char marker[16];
  std::snprintf(marker, sizeof marker, "~%03u", k);
  return path.substr(0, at) + marker + path.substr(at);
}

std::string UniqueName(FileSystem& fs, const std::string& path,
                       const std::function<bool(const std::string&)>& taken) {
  for (unsigned k = 1;; ++k) {
    std::string candidate = UniqueCandidate(path, k);
    if (taken && taken(candidate)) continue;
    if (!fs.Exists(candidate)) return candidate;
  }
}

bool SameVolume(const std::string& a, const std::string& b) {
  return a.size() > 1 && b.size() > 1 && a[1] == ':' && b[1] == ':' &&
         WinPath().Same(std::string_view(a).substr(0, 2), std::string_view(b).substr(0, 2));
}

}  // namespace mendora
