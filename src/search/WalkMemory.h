#pragma once
// What the drive walks of one run have learned: every file name met, the
// folder it is in, in walk order, and where each drive's walk stopped. The
// search of the next reference AVI of the run offers what was met before
// from here, in the same order, and goes on walking the drive from where the
// last walk stopped, so that a run reads each drive's folders at most once
// whatever the number of reference AVIs in it.
//
// Memory is bounded: names are kept once each in one block, each file met
// costs a 12-byte entry, and a drive whose record would pass the budget is
// given up (its record freed) and walked by each search as before. A 12-byte
// entry a file (up to 24 while the array grows), per distinct name its
// length and about 24 bytes, per folder its path and about 80 bytes
// (bytes() tells): 25 bytes a file on a drive of 200,000 files in 20,000
// folders (bench_relink).
//
// Threads: used by one search worker at a time, and by the user-interface
// thread only while no worker runs (between two searches of the run).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
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

  // Recording, in walk order. RecordFolder returns the folder's id.
  // RecordFile is false when the record passed the budget: the drive's
  // record is then freed and the drive becomes kUnrecorded.
  uint32_t RecordFolder(int drive, const std::string& root);
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
  struct Drive {
    State state = State::kNew;
    Walk walk;
    std::string names_block;
    std::vector<Name> names;
    std::vector<uint32_t> slots;  // open addressing: name index + 1, 0 empty
    std::vector<Entry> entries;
    std::deque<std::string> folders;
    std::unordered_map<std::string_view, uint32_t> folder_ids;
    std::unordered_set<uint32_t> noted_folders;  // folders that hold noted files
    size_t bytes = 0;
  };

  uint32_t FindName(const Drive& d, std::string_view name) const;
  uint32_t InternName(Drive& d, std::string_view name);
  void Grow(Drive& d);
  bool AddEntry(Drive& d, uint32_t name, uint32_t folder);
  void Drop(Drive& d);
  // What the record's arrays hold, in bytes.
  static size_t Held(const Drive& d);

  size_t budget_;
  size_t total_ = 0;  // the bytes of every drive's record
  Drive drives_[kDrives];
};

}  // namespace mendora
