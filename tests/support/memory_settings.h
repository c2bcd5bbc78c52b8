#pragma once
// Settings in memory, for tests. Values of another type can be planted.
#include <map>
#include <string>

#include "platform/settings_store.h"

namespace mendora {

class MemorySettingsStore : public SettingsStore {
 public:
  struct Value {
    std::string data;
    bool is_string = true;
  };
  bool OpenKey() override { return open_ok; }
  ValueRead Query(const std::string& name, size_t capacity, std::string* data) override;
  bool Set(const std::string& name, const std::string& data) override;

  std::map<std::string, Value> values;
  bool open_ok = true;
  bool write_ok = true;
  int writes = 0;
};

}  // namespace mendora
