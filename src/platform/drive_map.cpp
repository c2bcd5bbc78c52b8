#include "platform/drive_map.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/win_path.h"

namespace mendora {
namespace {

int Slot(char letter) { return DriveIndex(letter); }

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Trim(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  const size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::string text;
  char buffer[4096];
  // A drive map is a few lines; anything beyond 64 KiB is not one.
  while (in && text.size() < 65536) {
    in.read(buffer, sizeof buffer);
    text.append(buffer, static_cast<size_t>(in.gcount()));
  }
  return text;
}

}  // namespace

void DriveMap::Set(char letter, const std::string& folder) {
  const int slot = Slot(letter);
  if (slot >= 0) folders_[slot] = folder.empty() ? folder : WithoutTrailingSlashes(folder);
}

const std::string& DriveMap::Folder(char letter) const {
  static const std::string kNone;
  const int slot = Slot(letter);
  return slot >= 0 ? folders_[slot] : kNone;
}

int DriveMap::code_page() const { return code_page_ != 0 ? code_page_ : AnsiCodePage(); }

void DriveMap::set_code_page(int code_page) {
  if (code_page == 0 || IsSupportedCodePage(code_page)) code_page_ = code_page;
}

uint32_t DriveMap::Present() const {
  uint32_t mask = 0;
  for (int i = 0; i < 26; ++i)
    if (IsFolder(folders_[i])) mask |= 1u << i;
  return mask;
}

int DriveMap::Parse(const std::string& text) {
  int taken = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(";\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string entry = Trim(text.substr(start, end - start));
    start = end + 1;
    if (entry.empty() || entry[0] == '#') continue;
    if (entry.rfind("codepage=", 0) == 0) {
      set_code_page(std::atoi(entry.c_str() + 9));
      continue;
    }
    // "X=/folder", also "X:=/folder".
    size_t eq = entry.find('=');
    if (eq == std::string::npos || eq == 0 || eq > 2) continue;
    if (eq == 2 && entry[1] != ':') continue;
    if (Slot(entry[0]) < 0) continue;
    const std::string folder = Trim(entry.substr(eq + 1));
    if (!folder.empty() && folder[0] != '/') continue;  // only absolute folders
    Set(entry[0], folder);
    ++taken;
  }
  return taken;
}

DriveMap DriveMap::FromEnvironment() {
  DriveMap map;
  int taken = 0;
  std::string file;
  if (const char* explicit_file = std::getenv("MENDORA_DRIVES_FILE")) {
    file = explicit_file;
  } else if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
    file = std::string(config) + "/mendora/drives";
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    file = std::string(home) + "/.config/mendora/drives";
  }
  if (!file.empty()) taken += map.Parse(ReadSmallFile(file));
  if (const char* drives = std::getenv("MENDORA_DRIVES")) taken += map.Parse(drives);
  if (const char* code_page = std::getenv("MENDORA_CODEPAGE"); code_page && *code_page)
    map.set_code_page(std::atoi(code_page));
  if (taken == 0) map.Set('Z', "/");
  return map;
}

std::optional<std::string> DriveMap::ToNative(const std::string& windows_path) const {
  const bool has_letter = windows_path.size() >= 2 && windows_path[1] == ':' && Slot(windows_path[0]) >= 0;
  if (!has_letter) {
    // No drive letter: a native path, used unchanged.
    if (windows_path.empty()) return std::nullopt;
    return windows_path;
  }
  const std::string& folder = folders_[Slot(windows_path[0])];
  if (folder.empty()) return std::nullopt;
  if (windows_path.size() > 2 && windows_path[2] != '\\' && windows_path[2] != '/') return std::nullopt;  // "C:relative"
  // Converted before the separators are touched: a second byte of a CP932
  // character may be 0x5C.
  std::string rest;
  if (!CodePageToUtf8(code_page(), std::string_view(windows_path).substr(2), &rest)) return std::nullopt;
  for (char& c : rest)
    if (c == '\\') c = '/';
  // Collapse repeated separators so "D:\\a" and "D:\a" name the same file.
  std::string native = folder == "/" ? "" : folder;
  char previous = 0;
  for (char c : rest) {
    if (c == '/' && previous == '/') continue;
    native.push_back(c);
    previous = c;
  }
  if (native.empty()) native = "/";
  return native;
}

std::optional<std::string> DriveMap::ToWindows(const std::string& native_path) const {
  int best = -1;
  size_t best_length = 0;
  for (int i = 0; i < 26; ++i) {
    const std::string& folder = folders_[i];
    if (folder.empty()) continue;
    const bool root = folder == "/";
    const bool inside = root ? (!native_path.empty() && native_path[0] == '/')
                             : native_path.compare(0, folder.size(), folder) == 0 &&
                                   (native_path.size() == folder.size() || native_path[folder.size()] == '/');
    const size_t length = root ? 1 : folder.size();
    if (inside && (best < 0 || length > best_length)) {
      best = i;
      best_length = length;
    }
  }
  if (best < 0) return std::nullopt;
  std::string rest = folders_[best] == "/" ? native_path : native_path.substr(folders_[best].size());
  for (char& c : rest)
    if (c == '/') c = '\\';
  if (rest.empty() || rest[0] != '\\') rest.insert(rest.begin(), '\\');
  std::string recorded;
  if (!Utf8ToCodePage(code_page(), rest, &recorded)) return std::nullopt;
  return std::string(1, static_cast<char>('A' + best)) + ":" + recorded;
}

}  // namespace mendora
