#include "refavi/DataLinkList.h"

namespace mendora {

bool DataLinkList::Add(const std::string& path) {
  auto [it, added] = index_.emplace(path, paths_.size());
  if (!added) return false;
  paths_.push_back(path);
  offsets_.emplace_back();
  return true;
}

size_t DataLinkList::IndexOf(const std::string& path) {
  auto [it, added] = index_.emplace(path, paths_.size());
  if (added) {
    paths_.push_back(path);
    offsets_.emplace_back();
  }
  return it->second;
}

void DataLinkList::Clear() {
  paths_.clear();
  offsets_.clear();
  index_.clear();
}

}  // namespace mendora
