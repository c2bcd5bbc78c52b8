#pragma once
// What the drive walks of one run have learned: every file name met, the
// folder it is in, in walk order, and where each drive's walk stopped. The
// search of the next reference AVI of the run offers what was met before
// from here, in the same order, and goes on walking the drive from where the
// last walk stopped, so that a run reads each drive's folders at most once
// whatever the number of reference AVIs in it.
//
// Memory is bounded: names and folder paths are kept once each in a block of
// their own, each file met costs a 12-byte entry, and a drive whose record
// would pass the budget is given up (its record freed) and walked by each
// search as before. Entries are kept in blocks that never move, so a walk of
// a large drive does not copy them as the record grows, and the folder index
// is built only when a folder is looked up by its path. A 12-byte entry a
// file, per distinct name its length and about 24 bytes, per folder its path
// and 4 bytes (bytes() tells): about 15 bytes a file on a drive of 200,000
// files in 20,000 folders (bench_relink).
//
// Threads: used by one search worker at a time, and by the user-interface
// thread only while no worker runs (between two searches of the run).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/fs.h"

namespace mendora {

class WalkMemory {
 public:
  static constexpr size_t kDefaultBudget = size_t{256} << 20;
  static constexpr int kDrives = 27;  // the drive indexes the search walks (A = 0)

  // `budget` in bytes; 0 keeps nothing (every search walks for itself).
  explicit WalkMemory(size_t budget = kDefaultBudget) : budget_(budget) {}
  WalkMemory(const WalkMemory&) = delete;
  WalkMemory& operator=(const WalkMemory&) = delete;

  enum class State {
    kNew,         // not walked yet in this run
    kPartial,     // walked part of the way; walk() holds where it stopped
    kComplete,    // walked to its end: everything it holds is recorded
    kUnrecorded,  // past the budget: each search walks it for itself
  };

  // A folder on the walk's stack: listed (find open) or still to be entered.
  struct Frame {
    std::string folder;            // as shown: "C:\", "C:\a\b"
    std::unique_ptr<DirFind> find;  // null until entered
    std::string root;              // the folder without ending backslashes
    uint32_t id = 0;               // its recorded folder
    bool entered = false;
  };
  struct Walk {
    std::vector<Frame> stack;
  };

  State state(int drive) const { return drives_[drive].state; }
  // The walk of a drive as it stands; Start() puts its root on it.
  Walk& walk(int drive) { return drives_[drive].walk; }
  void Start(int drive, const std::string& root);
  void MarkComplete(int drive);

  // Recording, in walk order. RecordFolder returns the folder's id, the same
  // id for the same folder. RecordWalkedFolder is the walk's: the walk
  // enters each folder once, so the folder is not looked up by its path.
  // When the record passed the budget, RecordWalkedFolder returns kGivenUp
  // and RecordFile false: the drive's record is then freed and the drive
  // becomes kUnrecorded.
  static constexpr uint32_t kGivenUp = 0xFFFFFFFFu;
  uint32_t RecordFolder(int drive, std::string_view folder);
  uint32_t RecordWalkedFolder(int drive, std::string_view folder);
  bool RecordFile(int drive, std::string_view name, uint32_t folder);

  // The recorded files of `drive` named as one of `names` (compared byte for
  // byte), full paths in walk order.
  std::vector<std::string> Recorded(int drive, const std::vector<std::string>& names) const;

  // A file that the run itself put at `path` (a carried data file): a later
  // search of the run offers it even when its folder was walked before.
  void NoteFile(const std::string& path);

  size_t files() const;  // file entries kept, over every drive
  size_t bytes() const;  // memory kept, over every drive
  size_t budget() const { return budget_; }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  struct Name {
    uint32_t offset, length;  // in the name block
    uint32_t first, last;     // entries of this name, in walk order
  };
  struct Entry {
    uint32_t name, folder, next;  // next entry of the same name
  };
  // Entries in blocks of a fixed size, so that none is ever copied.
  static constexpr uint32_t kEntryBlockBits = 12;
  static constexpr uint32_t kEntryBlock = 1u << kEntryBlockBits;
  struct Drive {
    State state = State::kNew;
    Walk walk;
    std::string names_block;
    std::vector<Name> names;
    std::vector<uint32_t> slots;  // open addressing: name index + 1, 0 empty
    std::vector<std::unique_ptr<Entry[]>> entry_blocks;
    uint32_t entry_count = 0;
    std::string folders_block;          // the folder paths, one after another
    std::vector<uint32_t> folder_ends;  // id -> where its path ends in the block
    // Open addressing over folder ids + 1, 0 empty; it covers the folders
    // below folders_indexed and is caught up when a folder is looked up.
    std::vector<uint32_t> folder_slots;
    uint32_t folders_indexed = 0;
    std::unordered_set<uint32_t> noted_folders;  // folders that hold noted files
    size_t bytes = 0;
  };

  static Entry& EntryAt(Drive& d, uint32_t e) { return d.entry_blocks[e >> kEntryBlockBits][e & (kEntryBlock - 1)]; }
  static const Entry& EntryAt(const Drive& d, uint32_t e) {
    return d.entry_blocks[e >> kEntryBlockBits][e & (kEntryBlock - 1)];
  }
  static std::string_view FolderAt(const Drive& d, uint32_t id);
  static uint32_t AppendFolder(Drive& d, std::string_view folder);
  static void IndexFolder(Drive& d, uint32_t id);
  static void IndexFolders(Drive& d);
  uint32_t FindName(const Drive& d, std::string_view name) const;
  uint32_t InternName(Drive& d, std::string_view name);
  void Grow(Drive& d);
  bool AddEntry(Drive& d, uint32_t name, uint32_t folder);
  // Brings the drive's share of the budget up to what it holds.
  void Account(Drive& d);
  void Drop(Drive& d);
  // What the record's arrays hold, in bytes.
  static size_t Held(const Drive& d);

  size_t budget_;
  size_t total_ = 0;  // the bytes of every drive's record
  Drive drives_[kDrives];
};

}  // namespace mendora
