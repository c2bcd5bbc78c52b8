#pragma once
// The files of the drives as a map from path to bytes, and what differs
// between two such states, for the failure messages of the no-loss tests.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"

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

// Every file in the trees of `folders` (Windows paths ending in a
// backslash), by path, with its bytes, as `fs` reads them.
inline FileStates ReadStates(FileSystem& fs, const std::vector<std::string>& folders) {
  FileStates states;
  std::vector<std::string> pending = folders;
  while (!pending.empty()) {
    const std::string folder = pending.back();
    pending.pop_back();
    std::unique_ptr<DirFind> find = fs.Find(folder);
    for (DirEntry entry; find && find->Next(&entry);) {
      const std::string path = folder + entry.name;
      if (entry.attributes & kAttrDirectory) {
        pending.push_back(path + "\\");
        states[path + "\\"] = "";  // an empty folder counts too
        continue;
      }
      std::string& bytes = states[path];
      std::unique_ptr<File> file = fs.Open(path, OpenMode::kRead);
      char buffer[65536];
      for (size_t n; file && (n = file->Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, n);
    }
  }
  return states;
}

}  // namespace mendora::test
