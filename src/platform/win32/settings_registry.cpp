// The settings key in the registry, under HKEY_CURRENT_USER.
#include <windows.h>

#include <vector>

#include "platform/settings_store.h"

namespace mendora {
namespace {

class RegistrySettingsStore : public SettingsStore {
 public:
  ~RegistrySettingsStore() override { Close(); }

  bool OpenKey() override {
    Close();
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key_) == ERROR_SUCCESS) return true;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key_, &disposition) == ERROR_SUCCESS)
      return true;
    key_ = nullptr;
    return false;
  }

  ValueRead Query(const std::string& name, size_t capacity, std::string* data) override {
    if (key_ == nullptr) return ValueRead::kMissing;
    std::vector<BYTE> buffer(capacity + 1);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(capacity);
    const LONG r = RegQueryValueExA(key_, name.c_str(), nullptr, &type, buffer.data(), &size);
    if (r == ERROR_MORE_DATA) return type == REG_SZ ? ValueRead::kTooLarge : ValueRead::kWrongType;
    if (r != ERROR_SUCCESS) return ValueRead::kMissing;
    if (type != REG_SZ) return ValueRead::kWrongType;
    data->assign(reinterpret_cast<const char*>(buffer.data()), size);
    return ValueRead::kOk;
  }

  bool Set(const std::string& name, const std::string& data) override {
    if (key_ == nullptr) return false;
    return RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }

 private:
  void Close() {
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
  }
  HKEY key_ = nullptr;
};

}  // namespace

std::unique_ptr<SettingsStore> OpenUserSettingsStore() { return std::make_unique<RegistrySettingsStore>(); }

}  // namespace mendora
