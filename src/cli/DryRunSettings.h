#pragma once
// The settings of a dry run: read from the user's store, and what the run
// would write is kept in memory for the rest of the run, so that its
// answers are those of a real run while the store stays as it was.
#include <map>
#include <string>

#include "platform/settings_store.h"

namespace mendora::cli {

class DryRunSettings : public SettingsStore {
 public:
  explicit DryRunSettings(SettingsStore& store) : store_(store) {}

  bool OpenKey() override { return store_.OpenKey(); }
  ValueRead Query(const std::string& name, size_t capacity, std::string* data) override {
    const auto written = written_.find(name);
    if (written == written_.end()) return store_.Query(name, capacity, data);
    if (written->second.size() > capacity) return ValueRead::kTooLarge;
    *data = written->second;
    return ValueRead::kOk;
  }
  bool Set(const std::string& name, const std::string& data) override {
    written_[name] = data;
    return true;
  }

 private:
  SettingsStore& store_;
  std::map<std::string, std::string> written_;
};

}  // namespace mendora::cli
