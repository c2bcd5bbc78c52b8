#pragma once
// The settings key on POSIX: a small text file per user, in the shape of a
// .reg export, one section per key and one value a line:
//
//   [HKEY_CURRENT_USER\SOFTWARE\Veltrax\Kestrix\Mendora\Installation]
//   "Directory"="C:\\"
//   "PrefSearchDir"="00000000000000000000000C00\0"
//
// Inside quotes \\ is a backslash, \" a quote, \0 a NUL byte (a value stored
// with its terminator ends in \0) and \xHH any other byte. A value of another
// type ("Name"=dword:00000001) is kept and read as the wrong type. Lines that
// cannot be read are ignored, and so is a file larger than 1 MiB.
#include <map>
#include <string>

#include "platform/settings_store.h"

namespace mendora {

struct SettingsFileValue {
  std::string data;
  bool is_string = true;
};
using SettingsFileSection = std::map<std::string, SettingsFileValue>;
using SettingsFileContents = std::map<std::string, SettingsFileSection>;

// Parses the text of a settings file; never fails, skips what it cannot read.
SettingsFileContents ParseSettingsFile(const std::string& text);
std::string FormatSettingsFile(const SettingsFileContents& contents);

class SettingsFileStore : public SettingsStore {
 public:
  // `path`: the file; the default is $MENDORA_SETTINGS_FILE, else
  // $XDG_CONFIG_HOME/mendora/settings.reg, else ~/.config/mendora/settings.reg.
  explicit SettingsFileStore(std::string path = DefaultPath());
  static std::string DefaultPath();

  bool OpenKey() override;
  ValueRead Query(const std::string& name, size_t capacity, std::string* data) override;
  bool Set(const std::string& name, const std::string& data) override;

 private:
  SettingsFileContents Load() const;
  std::string path_;
};

}  // namespace mendora
