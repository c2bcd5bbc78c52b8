#pragma once
// The files of the drives as a map from path to bytes, and what differs
// between two such states, for the failure messages of the no-loss tests.
#include <map>
#include <string>

namespace mendora::test {

using FileStates = std::map<std::string, std::string>;

inline std::string Differences(const FileStates& now, const FileStates& want) {
  std::string out;
  for (const auto& [path, bytes] : now) {
    const auto it = want.find(path);
    if (it == want.end()) out += "  extra " + path + "\n";
    else if (it->second != bytes) out += "  changed " + path + "\n";
  }
  for (const auto& [path, bytes] : want)
    if (now.count(path) == 0) out += "  missing " + path + "\n";
  return out;
}

}  // namespace mendora::test
