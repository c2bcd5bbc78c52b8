#include "operation/FileNames.h"

#include <cctype>
#include <cstdio>

#include "platform/fs.h"

namespace mendora {

std::string TemporaryPath(const std::string& path) { return path + ".tmp"; }

std::string BackupPath(const std::string& path) { return path + ".bak"; }
std::string OlderBackupPath(const std::string& path) { return TemporaryPath(BackupPath(path)); }

bool SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return false;
  if (folder != nullptr) *folder = path.substr(0, slash + 1);
  if (name != nullptr) *name = path.substr(slash + 1);
  return true;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

std::string UniqueCandidate(const std::string& path, unsigned k) {
  // The last '.' of the whole string, even when it lies in a folder name.
  const size_t dot = path.find_last_of('.');
  const size_t at = dot == std::string::npos ? 0 : dot;
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
         std::tolower(static_cast<unsigned char>(a[0])) == std::tolower(static_cast<unsigned char>(b[0]));
}

}  // namespace mendora
