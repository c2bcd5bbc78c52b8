#include "search/FolderMapping.h"

#include <algorithm>
#include <optional>

#include "platform/win_path.h"

namespace mendora {

namespace {

std::string WithBackslash(const std::string& folder) {
  return folder.empty() ? folder : WinPath().Join(folder, "");
}

// "D:\media\sub\" gives "sub" and "D:\media\"; false for a root or a
// folder without a parent.
bool SplitLast(const std::string& folder, std::string* parent, std::string* last) {
  const WinPath paths;
  *parent = paths.Parent(folder);
  if (parent->empty()) return false;
  *last = paths.FileName(paths.WithoutSeparator(folder));
  return true;
}

// "D:\" and "\\server\share\"-like folders of one part are roots: mapping
// a whole drive by a guess would reach too far.
bool IsRoot(const std::string& folder) { return WinPath().Parent(folder).empty(); }

}  // namespace

std::string FolderMapping::FolderOf(const std::string& path) { return WinPath().Folder(path); }

bool FolderMapping::Add(Mapping mapping) {
  for (Mapping& m : mappings_) {
    if (!WinPath().Same(m.from, mapping.from)) continue;
    // A given mapping is not overruled by a guess; a newer place wins
    // otherwise.
    if (m.given && !mapping.given) return false;
    if (WinPath().Same(m.to, mapping.to) && m.given == mapping.given) return false;
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
  const WinPath paths;
  if (from.empty() || to.empty() || paths.Same(from, to)) return 0;
  size_t added = 0;
  for (;;) {
    Mapping m;
    m.from = from;
    m.to = to;
    if (Add(std::move(m))) ++added;
    std::string from_parent, from_last, to_parent, to_last;
    if (!SplitLast(from, &from_parent, &from_last) || !SplitLast(to, &to_parent, &to_last)) break;
    if (!paths.Same(from_last, to_last) || IsRoot(from_parent) || paths.Same(from_parent, to_parent)) break;
    from = from_parent;
    to = to_parent;
  }
  return added;
}

std::vector<FolderMapping::Place> FolderMapping::PlacesFor(const std::string& missing_link) const {
  const WinPath paths;
  std::vector<size_t> order;
  std::vector<size_t> rest(mappings_.size(), 0);
  for (size_t i = 0; i < mappings_.size(); ++i) {
    // Folders compare as Windows compares them, on folder boundaries.
    const std::optional<size_t> at = paths.Under(missing_link, mappings_[i].from);
    if (!at || *at >= missing_link.size()) continue;
    rest[i] = *at;
    order.push_back(i);
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
    place.path = mappings_[i].to + missing_link.substr(rest[i]);
    place.mapping = i;
    places.push_back(std::move(place));
  }
  return places;
}

}  // namespace mendora
