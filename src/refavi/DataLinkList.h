#pragma once
// The data links of one reference AVI: the data file paths of its REF
// records, each once, in order of first occurrence, compared byte for byte
// with letter case. A hash index beside the list keeps a file with very many
// distinct paths linear.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mendora {

class DataLinkList {
 public:
  // Appends `path` unless an equal one is listed. Returns true when added.
  bool Add(const std::string& path);
  // The position of `path` in the list, adding it when it is not listed.
  size_t IndexOf(const std::string& path);
  bool Contains(const std::string& path) const { return index_.count(path) != 0; }
  void Clear();

  const std::vector<std::string>& paths() const { return paths_; }
  size_t size() const { return paths_.size(); }
  bool empty() const { return paths_.empty(); }
  const std::string& operator[](size_t i) const { return paths_[i]; }

  // Frame offsets: with collection on, the reader notes, per link, the
  // offset of every frame's chunk header that a REF record names in that
  // data file, in file order (repeats kept). Off by default: the list of
  // paths alone costs nothing per frame.
  void set_collect_offsets(bool on) { collect_offsets_ = on; }
  bool collect_offsets() const { return collect_offsets_; }
  void AddOffset(size_t link, uint32_t offset) { offsets_[link].push_back(offset); }
  const std::vector<uint32_t>& offsets(size_t link) const { return offsets_[link]; }

 private:
  std::vector<std::string> paths_;
  std::vector<std::vector<uint32_t>> offsets_;  // parallel to paths_
  bool collect_offsets_ = false;
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace mendora
