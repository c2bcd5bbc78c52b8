#include "platform/posix/settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mendora {
namespace {

constexpr size_t kMaxFileSize = 1 << 20;
const std::string kSection = std::string("HKEY_CURRENT_USER\\") + kSettingsKeyPath;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string starting at text[*pos] == '"'; leaves *pos after the
// closing quote. False when the string is malformed.
bool ReadQuoted(const std::string& text, size_t* pos, std::string* out) {
  if (*pos >= text.size() || text[*pos] != '"') return false;
  size_t i = *pos + 1;
  out->clear();
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"') {
      *pos = i + 1;
      return true;
    }
    if (c != '\\') {
      out->push_back(c);
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return false;
    const char e = text[i + 1];
    if (e == '\\' || e == '"') {
      out->push_back(e);
      i += 2;
    } else if (e == '0') {
      out->push_back('\0');
      i += 2;
    } else if (e == 'x' && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      out->push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
      i += 4;
    } else {
      return false;
    }
  }
  return false;
}

std::string Quote(const std::string& data) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : data) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '\0') {
      out += "\\0";
    } else if (u < 0x20 || u == 0x7f) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool ReadWholeFile(const std::string& path, std::string* text) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileSize) {
    ::close(fd);
    return false;
  }
  text->assign(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text->size()) {
    const ssize_t r = ::read(fd, text->data() + done, text->size() - done);
    if (r <= 0) break;
    done += static_cast<size_t>(r);
  }
  text->resize(done);
  ::close(fd);
  return true;
}

bool MakeParents(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0) {
      struct stat st {};
      if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
  }
  return true;
}

}  // namespace

SettingsFileContents ParseSettingsFile(const std::string& text) {
  SettingsFileContents contents;
  SettingsFileSection* section = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.back() == ']' ? &contents[line.substr(1, line.size() - 2)] : nullptr;
      continue;
    }
    if (section == nullptr || line[0] != '"') continue;
    size_t pos = 0;
    std::string name;
    if (!ReadQuoted(line, &pos, &name) || pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    SettingsFileValue value;
    if (pos < line.size() && line[pos] == '"') {
      if (!ReadQuoted(line, &pos, &value.data) || pos != line.size()) continue;
    } else {
      // Another type: kept as written, read as the wrong type.
      value.is_string = false;
      value.data = line.substr(pos);
    }
    (*section)[name] = std::move(value);
  }
  return contents;
}

std::string FormatSettingsFile(const SettingsFileContents& contents) {
  std::string text = "Windows Registry Editor Version 5.00\n";
  for (const auto& [key, values] : contents) {
    text += "\n[" + key + "]\n";
    for (const auto& [name, value] : values)
      text += Quote(name) + "=" + (value.is_string ? Quote(value.data) : value.data) + "\n";
  }
  return text;
}

SettingsFileStore::SettingsFileStore(std::string path) : path_(std::move(path)) {}

std::string SettingsFileStore::DefaultPath() {
  if (const char* file = std::getenv("MENDORA_SETTINGS_FILE"); file && *file) return file;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::string(config) + "/mendora/settings.reg";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/mendora/settings.reg";
}

SettingsFileContents SettingsFileStore::Load() const {
  std::string text;
  if (!ReadWholeFile(path_, &text)) return {};
  return ParseSettingsFile(text);
}

bool SettingsFileStore::OpenKey() {
  // The key exists as soon as its folder can hold the file.
  return MakeParents(path_);
}

ValueRead SettingsFileStore::Query(const std::string& name, size_t capacity, std::string* data) {
  const SettingsFileContents contents = Load();
  const auto section = contents.find(kSection);
  if (section == contents.end()) return ValueRead::kMissing;
  const auto value = section->second.find(name);
  if (value == section->second.end()) return ValueRead::kMissing;
  if (!value->second.is_string) return ValueRead::kWrongType;
  if (value->second.data.size() > capacity) return ValueRead::kTooLarge;
  *data = value->second.data;
  return ValueRead::kOk;
}

bool SettingsFileStore::Set(const std::string& name, const std::string& data) {
  if (!MakeParents(path_)) return false;
  SettingsFileContents contents = Load();
  contents[kSection][name] = SettingsFileValue{data, true};
  const std::string text = FormatSettingsFile(contents);
  // Write beside the file and rename over it, so a failure never leaves half a file.
  const std::string temporary = path_ + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  const bool closed = ::close(fd) == 0;
  const bool written = done == text.size() && closed;
  if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::unique_ptr<SettingsStore> OpenUserSettingsStore() { return std::make_unique<SettingsFileStore>(); }

}  // namespace mendora
