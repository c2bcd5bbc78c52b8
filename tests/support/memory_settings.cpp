#include "support/memory_settings.h"

namespace mendora {

ValueRead MemorySettingsStore::Query(const std::string& name, size_t capacity, std::string* data) {
  const auto it = values.find(name);
  if (it == values.end()) return ValueRead::kMissing;
  if (!it->second.is_string) return ValueRead::kWrongType;
  if (it->second.data.size() > capacity) return ValueRead::kTooLarge;
  *data = it->second.data;
  return ValueRead::kOk;
}

bool MemorySettingsStore::Set(const std::string& name, const std::string& data) {
  if (!write_ok) return false;
  ++writes;
  values[name] = Value{data, true};
  return true;
}

}  // namespace mendora
