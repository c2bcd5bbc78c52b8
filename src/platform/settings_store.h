#pragma once
// The per-user settings key: the registry under HKEY_CURRENT_USER on Windows,
// a small per-user file elsewhere, memory in tests. Values are REG_SZ bytes
// exactly as stored, a terminating NUL included when it was stored with one.
#include <cstddef>
#include <memory>
#include <string>

namespace mendora {

// Key of the program's settings under HKEY_CURRENT_USER.
inline constexpr const char kSettingsKeyPath[] = "SOFTWARE\\Veltrax\\Kestrix\\Mendora\\Installation";

enum class ValueRead { kOk, kMissing, kTooLarge, kWrongType };

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Opens the key with full access, creating it when it cannot be opened.
  virtual bool OpenKey() = 0;
  // Reads a string value that fits in `capacity` bytes (as RegQueryValueEx
  // with a buffer of that size): kTooLarge when it does not fit, kWrongType
  // when the value is not a string.
  virtual ValueRead Query(const std::string& name, size_t capacity, std::string* data) = 0;
  // Writes a string value with exactly these bytes.
  virtual bool Set(const std::string& name, const std::string& data) = 0;
};

// The store of the current user on this platform.
std::unique_ptr<SettingsStore> OpenUserSettingsStore();

}  // namespace mendora
