#include "search/FolderMapping.h"

#include <algorithm>
#include <cctype>

namespace mendora {

namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

// "D:\media\sub\" gives "sub" and "D:\media\"; false for a root or a folder
// without a parent.
bool SplitLast(const std::string& folder, std::string* parent, std::string* last) {
  if (folder.size() < 2 || folder.back() != '\\') return false;
  const size_t slash = folder.rfind('\\', folder.size() - 2);
  if (slash == std::string::npos) return false;
  *parent = folder.substr(0, slash + 1);
  *last = folder.substr(slash + 1, folder.size() - slash - 2);
  return true;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// "D:\" and "\\server\share\"-like folders of one part are roots: mapping a
// whole drive by a guess would reach too far.
bool IsRoot(const std::string& folder) {
  const size_t first = folder.find('\\');
  return first == std::string::npos || first + 1 >= folder.size();
}

}  // namespace

std::string FolderMapping::FolderOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool FolderMapping::Add(Mapping mapping) {
  for (Mapping& m : mappings_) {
    if (m.from != mapping.from) continue;
    // A given mapping is not overruled by a guess; a newer place wins
    // otherwise.
    if (m.given && !mapping.given) return false;
    if (m.to == mapping.to && m.given == mapping.given) return false;
    m = std::move(mapping);
    return true;
  }
  mappings_.push_back(std::move(mapping));
  return true;
}

void FolderMapping::Give(const std::string& from, const std::string& to) {
  Mapping m;
  m.from = WithBackslash(from);
  m.to = WithBackslash(to);
  m.given = true;
  Add(std::move(m));
}

size_t FolderMapping::Learn(const std::string& missing_link, const std::string& found_path) {
  std::string from = FolderOf(missing_link), to = FolderOf(found_path);
  if (from.empty() || to.empty() || from == to) return 0;
  size_t added = 0;
  for (;;) {
    Mapping m;
    m.from = from;
    m.to = to;
    if (Add(std::move(m))) ++added;
    std::string from_parent, from_last, to_parent, to_last;
    if (!SplitLast(from, &from_parent, &from_last) || !SplitLast(to, &to_parent, &to_last)) break;
    if (!SameName(from_last, to_last) || IsRoot(from_parent) || from_parent == to_parent) break;
    from = from_parent;
    to = to_parent;
  }
  return added;
}

std::vector<FolderMapping::Place> FolderMapping::PlacesFor(const std::string& missing_link) const {
  std::vector<size_t> order;
  for (size_t i = 0; i < mappings_.size(); ++i) {
    const std::string& from = mappings_[i].from;
    if (missing_link.size() > from.size() && missing_link.compare(0, from.size(), from) == 0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    const Mapping &x = mappings_[a], &y = mappings_[b];
    if (x.from.size() != y.from.size()) return x.from.size() > y.from.size();
    if (x.given != y.given) return x.given;
    return a > b;
  });
  std::vector<Place> places;
  for (size_t i : order) {
    Place place;
    place.path = mappings_[i].to + missing_link.substr(mappings_[i].from.size());
    place.mapping = i;
    places.push_back(std::move(place));
  }
  return places;
}

}  // namespace mendora
