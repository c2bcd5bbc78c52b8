// The settings file and the drive map are read from files a user may edit:
// any bytes must parse without a crash, and what is written back must read
// back the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/CommonFunc.h"
#include "platform/drive_map.h"
#include "platform/posix/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const mendora::SettingsFileContents contents = mendora::ParseSettingsFile(text);
  const std::string formatted = mendora::FormatSettingsFile(contents);
  const mendora::SettingsFileContents again = mendora::ParseSettingsFile(formatted);
  for (const auto& [key, values] : contents) {
    const auto it = again.find(key);
    if (key.find(']') != std::string::npos || key.find('\n') != std::string::npos) continue;
    if (it == again.end()) std::abort();
    for (const auto& [name, value] : values) {
      const auto v = it->second.find(name);
      if (v == it->second.end() || v->second.data != value.data || v->second.is_string != value.is_string) std::abort();
    }
  }

  mendora::DriveMap map;
  map.Parse(text);
  (void)map.ToNative(text);
  (void)map.ToWindows(text);
  (void)mendora::DecodeDriveString(text);
  return 0;
}
