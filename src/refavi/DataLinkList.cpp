#include "refavi/DataLinkList.h"

namespace mendora {

bool DataLinkList::Add(const std::string& path) {
  auto [it, added] = index_.emplace(path, paths_.size());
  if (!added) return false;
  paths_.push_back(path);
  return true;
}

void DataLinkList::Clear() {
  paths_.clear();
  index_.clear();
}

}  // namespace mendora
