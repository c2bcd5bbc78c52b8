#pragma once
// The journal of a run that changes several files: NAME.avi gets
// NAME.avi.journal beside it before the first data file is carried, and
// loses it after the last rename. It names the carry pairs and the phase, so
// that the next run can finish what a crash or a power loss interrupted:
//
//   carry  the data files may be anywhere between their sources and their
//          targets, the new reference AVI is not in place: roll back;
//   place  every data file is at its target and the new reference AVI is
//          whole at its temporary path: do the final renames.
//
// A journal is written whole to a temporary name, flushed to the disk and
// renamed over the old one, so a crash leaves the old journal or the new
// one, never half of one. Recovery looks at the disk for the state of each
// file rather than trusting a count: a rename is done or not, and a copy
// that a crash cut short is always shorter than the file it copies.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "operation/RunPlan.h"
#include "platform/fs.h"

namespace mendora {

enum class JournalPhase { kCarry, kPlace };

// The record of a run's plan (its links aside: the new file holds them),
// with how far the run has come.
struct CarryJournal : RunPlan {
  JournalPhase phase = JournalPhase::kCarry;
  uint32_t attributes = 0;  // for the new file after its rename; 0 leaves them
  // A Fix without a backup: the reference AVI's identity when the run began.
  // Its one replacing rename is not journaled; a file of another identity
  // under the name after a crash tells that the rename was done.
  std::optional<FileIdentity> identity;
  // The reference AVI as the run found it: a journal beside another file
  // of that name (a restored backup, a copy) is no record of this run.
  std::optional<FileIdentity> begin;
  uint64_t begin_size = 0;
};

// NAME.avi.journal, and the name it is written under first.
std::string JournalPath(const std::string& avi);
std::string JournalTemporaryPath(const std::string& avi);

// The journal as bytes, and back. Parsing refuses anything it did not
// write: unknown or repeated fields, a path with a control character or of
// 260 characters or more, a count that does not match, more than
// kMaxJournalBytes.
constexpr size_t kMaxJournalBytes = 1 << 20;
std::string FormatJournal(const CarryJournal& journal);
bool ParseJournal(const std::string& bytes, CarryJournal* journal);

// Writes the journal of journal.avi durably: temporary name, flush,
// replacing rename. False when any of it failed.
bool WriteJournal(FileSystem& fs, const CarryJournal& journal);
// Reads the journal of `avi`; false when there is none or it is malformed.
bool ReadJournal(FileSystem& fs, const std::string& avi, CarryJournal* journal);
bool RemoveJournal(FileSystem& fs, const std::string& avi);
// Flushes every folder the journal names, the reference AVI's first: what
// was done there goes to the disk before a journal that says "place", and
// before the journal goes, so that a power loss cannot take back a part of
// a run whose record is gone. A folder flush keeps the order of its own
// changes, not the order between folders: the source's goes first, so that
// the new file is never in place on the disk while the old one is not
// yet set aside or deleted.
bool FlushJournalFolders(FileSystem& fs, const CarryJournal& journal);

enum class RecoveryResult {
  kNone,        // no journal: nothing was interrupted
  kRolledBack,  // every data file is at its source again, nothing new is left
  kCompleted,   // the new reference AVI is in place with its data files
  kFailed,      // something could not be put right; the journal stays
  kUnreadable,  // the journal is malformed; nothing was touched
  kRefused,     // the journal is no record of a run on this file; nothing was touched
};

// The data links that the reference AVI at a path records; false when it
// cannot be read.
using LinkReader = std::function<bool(const std::string& avi, std::vector<std::string>* links)>;

// A journal is untrusted input, as any file is: it is acted on only when it
// records the run that its own reference AVI implies. Its `avi` is `avi`
// (as Windows compares paths) and, when the journal says, the same file as
// when the run began; its output is the reference AVI itself (Fix) or a file
// of its name in another folder, its temporary the output's; each pair
// carries a data file of the reference AVI into the output's folder, under
// its own name or the collision form of it. True when all of that holds;
// otherwise *why (may be null) gets the first thing that does not, for the
// user.
bool TrustJournal(FileSystem& fs, const std::string& avi, const CarryJournal& journal, const LinkReader& links,
                  std::string* why);

// Finishes the interrupted run of `avi` as its journal says, once
// TrustJournal accepts it (kRefused with *why otherwise). Idempotent: a
// recovery that is itself interrupted is finished by the next one. On
// success the journal is gone; `journal` (may be null) gets what it said.
RecoveryResult RecoverInterrupted(FileSystem& fs, const std::string& avi, CarryJournal* journal,
                                  const LinkReader& links, std::string* why = nullptr);

// Rolls the run back, whatever phase the journal names (the driver's own
// undo after a failure); on success the journal is removed.
RecoveryResult RollBack(FileSystem& fs, const CarryJournal& journal);

}  // namespace mendora
