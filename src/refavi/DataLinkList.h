#pragma once
// The data links of one reference AVI: the data file paths of its REF
// records, each once, in order of first occurrence, compared byte for byte
// with letter case. A hash index beside the list keeps a file with very many
// distinct paths linear.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace mendora {

class DataLinkList {
 public:
  // Appends `path` unless an equal one is listed. Returns true when added.
  bool Add(const std::string& path);
  bool Contains(const std::string& path) const { return index_.count(path) != 0; }
  void Clear();

  const std::vector<std::string>& paths() const { return paths_; }
  size_t size() const { return paths_.size(); }
  bool empty() const { return paths_.empty(); }
  const std::string& operator[](size_t i) const { return paths_[i]; }

 private:
  std::vector<std::string> paths_;
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace mendora
