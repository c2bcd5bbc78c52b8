#include "search/WalkMemory.h"

#include <algorithm>
#include <functional>

#include "platform/win_path.h"

namespace mendora {

namespace {

size_t HashOf(std::string_view name) { return std::hash<std::string_view>()(name); }

}  // namespace

void WalkMemory::Start(int drive, const std::string& root) {
  Drive& d = drives_[drive];
  d.state = budget_ == 0 ? State::kUnrecorded : State::kPartial;
  d.walk.stack.clear();
  if (d.state != State::kPartial) return;
  Frame frame;
  frame.folder = root;
  d.walk.stack.push_back(std::move(frame));
}

void WalkMemory::MarkComplete(int drive) {
  Drive& d = drives_[drive];
  if (d.state == State::kPartial) d.state = State::kComplete;
  d.walk.stack.clear();
}

uint32_t WalkMemory::FindName(const Drive& d, std::string_view name) const {
  if (d.slots.empty()) return kNone;
  const size_t mask = d.slots.size() - 1;
  for (size_t i = HashOf(name) & mask;; i = (i + 1) & mask) {
    const uint32_t slot = d.slots[i];
    if (slot == 0) return kNone;
    const Name& n = d.names[slot - 1];
    if (std::string_view(d.names_block.data() + n.offset, n.length) == name) return slot - 1;
  }
}

void WalkMemory::Grow(Drive& d) {
  std::vector<uint32_t> slots(d.slots.empty() ? 1024 : d.slots.size() * 2, 0);
  const size_t mask = slots.size() - 1;
  for (uint32_t k = 0; k < d.names.size(); ++k) {
    const Name& n = d.names[k];
    size_t i = HashOf(std::string_view(d.names_block.data() + n.offset, n.length)) & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = k + 1;
  }
  d.slots.swap(slots);
}

uint32_t WalkMemory::InternName(Drive& d, std::string_view name) {
  const uint32_t found = FindName(d, name);
  if (found != kNone) return found;
  // At most half full, so that a probe ends soon.
  if ((d.names.size() + 1) * 2 > d.slots.size()) Grow(d);
  Name n;
  n.offset = static_cast<uint32_t>(d.names_block.size());
  n.length = static_cast<uint32_t>(name.size());
  n.first = n.last = kNone;
  d.names_block.append(name.data(), name.size());
  d.names.push_back(n);
  const size_t mask = d.slots.size() - 1;
  size_t i = HashOf(name) & mask;
  while (d.slots[i] != 0) i = (i + 1) & mask;
  d.slots[i] = static_cast<uint32_t>(d.names.size());
  return static_cast<uint32_t>(d.names.size() - 1);
}

std::string_view WalkMemory::FolderAt(const Drive& d, uint32_t id) {
  const uint32_t begin = id == 0 ? 0 : d.folder_ends[id - 1];
  return std::string_view(d.folders_block.data() + begin, d.folder_ends[id] - begin);
}

uint32_t WalkMemory::AppendFolder(Drive& d, std::string_view folder) {
  d.folders_block.append(folder.data(), folder.size());
  d.folder_ends.push_back(static_cast<uint32_t>(d.folders_block.size()));
  return static_cast<uint32_t>(d.folder_ends.size() - 1);
}

void WalkMemory::IndexFolder(Drive& d, uint32_t id) {
  const size_t mask = d.folder_slots.size() - 1;
  size_t i = HashOf(FolderAt(d, id)) & mask;
  while (d.folder_slots[i] != 0) i = (i + 1) & mask;
  d.folder_slots[i] = id + 1;
}

void WalkMemory::IndexFolders(Drive& d) {
  const uint32_t count = static_cast<uint32_t>(d.folder_ends.size());
  // At most half full, so that a probe ends soon.
  if (static_cast<size_t>(count) * 2 > d.folder_slots.size()) {
    size_t size = d.folder_slots.empty() ? 1024 : d.folder_slots.size();
    while (static_cast<size_t>(count) * 2 > size) size *= 2;
    d.folder_slots.assign(size, 0);
    d.folders_indexed = 0;
  }
  for (; d.folders_indexed < count; ++d.folders_indexed) IndexFolder(d, d.folders_indexed);
}

uint32_t WalkMemory::RecordFolder(int drive, std::string_view folder) {
  Drive& d = drives_[drive];
  IndexFolders(d);
  if (!d.folder_slots.empty()) {
    const size_t mask = d.folder_slots.size() - 1;
    for (size_t i = HashOf(folder) & mask; d.folder_slots[i] != 0; i = (i + 1) & mask)
      if (FolderAt(d, d.folder_slots[i] - 1) == folder) return d.folder_slots[i] - 1;
  }
  const uint32_t id = AppendFolder(d, folder);
  IndexFolders(d);
  Account(d);
  return id;
}

uint32_t WalkMemory::RecordWalkedFolder(int drive, std::string_view folder) {
  Drive& d = drives_[drive];
  if (d.state != State::kPartial) return kGivenUp;
  // A folder that holds files the run noted may be met again by the walk.
  const uint32_t id = d.noted_folders.empty() ? AppendFolder(d, folder) : RecordFolder(drive, folder);
  Account(d);
  // A drive of many folders and few files passes the budget here.
  if (total_ <= budget_) return id;
  Drop(d);
  return kGivenUp;
}

bool WalkMemory::AddEntry(Drive& d, uint32_t name, uint32_t folder) {
  Name& n = d.names[name];
  // A file noted by the run and met by the walk afterwards is kept once.
  if (!d.noted_folders.empty() && d.noted_folders.count(folder) != 0) {
    for (uint32_t e = n.first; e != kNone; e = EntryAt(d, e).next)
      if (EntryAt(d, e).folder == folder) return true;
  }
  const uint32_t index = d.entry_count;
  if ((index & (kEntryBlock - 1)) == 0) d.entry_blocks.push_back(std::make_unique<Entry[]>(kEntryBlock));
  EntryAt(d, index) = Entry{name, folder, kNone};
  ++d.entry_count;
  if (n.last == kNone) n.first = index;
  else EntryAt(d, n.last).next = index;
  n.last = index;
  return true;
}

size_t WalkMemory::Held(const Drive& d) {
  return d.names_block.capacity() + d.names.capacity() * sizeof(Name) + d.slots.capacity() * sizeof(uint32_t) +
         d.entry_blocks.size() * kEntryBlock * sizeof(Entry) +
         d.entry_blocks.capacity() * sizeof(std::unique_ptr<Entry[]>) + d.folders_block.capacity() +
         (d.folder_ends.capacity() + d.folder_slots.capacity()) * sizeof(uint32_t);
}

void WalkMemory::Account(Drive& d) {
  const size_t held = Held(d);
  total_ = total_ - d.bytes + held;
  d.bytes = held;
}

bool WalkMemory::RecordFile(int drive, std::string_view name, uint32_t folder) {
  Drive& d = drives_[drive];
  if (d.state != State::kPartial) return false;
  AddEntry(d, InternName(d, name), folder);
  Account(d);
  if (total_ <= budget_) return true;
  Drop(d);
  return false;
}

void WalkMemory::Drop(Drive& d) {
  total_ -= d.bytes;
  d.state = State::kUnrecorded;
  d.names_block = std::string();
  d.names = std::vector<Name>();
  d.slots = std::vector<uint32_t>();
  d.entry_blocks = std::vector<std::unique_ptr<Entry[]>>();
  d.entry_count = 0;
  d.folders_block = std::string();
  d.folder_ends = std::vector<uint32_t>();
  d.folder_slots = std::vector<uint32_t>();
  d.folders_indexed = 0;
  d.noted_folders.clear();
  d.bytes = 0;
}

std::vector<std::string> WalkMemory::Recorded(int drive, const std::vector<std::string>& names) const {
  const Drive& d = drives_[drive];
  std::vector<uint32_t> found;
  std::vector<uint32_t> seen;
  for (const std::string& name : names) {
    const uint32_t k = FindName(d, name);
    if (k == kNone || std::find(seen.begin(), seen.end(), k) != seen.end()) continue;
    seen.push_back(k);
    for (uint32_t e = d.names[k].first; e != kNone; e = EntryAt(d, e).next) found.push_back(e);
  }
  // Entries are numbered in walk order.
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  paths.reserve(found.size());
  for (const uint32_t e : found) {
    const Entry& entry = EntryAt(d, e);
    const Name& n = d.names[entry.name];
    paths.push_back(WinPath().Join(FolderAt(d, entry.folder), std::string_view(d.names_block).substr(n.offset, n.length)));
  }
  return paths;
}

void WalkMemory::NoteFile(const std::string& path) {
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return;
  const int drive = DriveIndex(path[0]);
  if (drive < 0 || drive >= kDrives) return;
  Drive& d = drives_[drive];
  // A drive not walked yet meets the file itself; one past the budget is
  // walked again by every search.
  if (d.state != State::kPartial && d.state != State::kComplete) return;
  const WinPath paths;
  const std::string name = paths.FileName(path);
  if (name.empty()) return;
  const std::string folder = paths.WithoutSeparator(paths.Folder(path));
  const uint32_t id = RecordFolder(drive, folder);
  d.noted_folders.insert(id);
  const State state = d.state;
  d.state = State::kPartial;  // RecordFile records only into a walk under way
  const bool kept = RecordFile(drive, name, id);
  if (kept) {
    d.state = state;
  } else {
    d.walk.stack.clear();
  }
}

size_t WalkMemory::files() const {
  size_t total = 0;
  for (const Drive& d : drives_) total += d.entry_count;
  return total;
}

size_t WalkMemory::bytes() const { return total_; }

}  // namespace mendora
