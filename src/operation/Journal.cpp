#include "operation/Journal.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "common/StringIds.h"
#include "common/Texts.h"
#include "common/Types.h"
#include "operation/FileNames.h"
#include "operation/MoveMulti.h"
#include "platform/fs.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {

// The first line; a later format gets another number and is refused here.
// Version 2 adds "begin", the reference AVI as the run found it; a journal
// of version 1 (from before) is read without it.
constexpr char kMagic[] = "mendora journal 2";
constexpr char kMagicWithoutBegin[] = "mendora journal 1";

const char* ModeName(int mode) { return mode == Fix ? "fix" : mode == Move ? "move" : "copy"; }
const char* SourceName(SourceFate s) {
  switch (s) {
    case SourceFate::kAside: return "aside";
    case SourceFate::kDelete: return "delete";
    case SourceFate::kAsideThenDelete: return "aside-delete";
    default: return "keep";
  }
}

// Windows paths hold no control characters, so lines and tabs separate.
bool GoodPath(const std::string& path) {
  if (path.empty() || path.size() >= static_cast<size_t>(kMaxPath)) return false;
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7f) return false;
  return true;
}

bool ParseNumber(const std::string& text, uint64_t limit, uint64_t* value) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (v > (UINT64_MAX - digit) / 10) return false;
    v = v * 10 + digit;
  }
  if (v > limit) return false;
  *value = v;
  return true;
}

bool WriteAll(FileSystem& fs, const std::string& path, const std::string& bytes) {
  auto file = fs.Open(path, OpenMode::kCreateWrite);
  if (!file) return false;
  const bool ok = file->Write(bytes.data(), bytes.size()) == bytes.size() && file->Flush();
  return file->Close() && ok;
}

bool Size(FileSystem& fs, const std::string& path, uint64_t* size) { return fs.GetSize(path, size); }

// One data file back at its source. Of a file at both places the shorter
// is a copy that a crash cut short (or a whole duplicate, when they are
// equal), and it goes; the other one stays or goes back.
bool PutBack(FileSystem& fs, int mode, const std::string& source, const std::string& target) {
  const bool at_target = fs.Exists(target);
  const bool at_source = fs.Exists(source);
  if (!at_target) return at_source;
  if (mode != Move) return at_source && fs.Delete(target);  // a copy whose source is whole
  if (at_source) {
    uint64_t source_size = 0, target_size = 0;
    if (!Size(fs, source, &source_size) || !Size(fs, target, &target_size)) return false;
    if (source_size >= target_size) return fs.Delete(target);
    if (!fs.Delete(source)) return false;  // a copy back that was cut short
  }
  return MoveOneFile(fs, target, source);
}

}  // namespace

std::string JournalPath(const std::string& avi) { return avi + ".journal"; }

std::string JournalTemporaryPath(const std::string& avi) { return TemporaryPath(JournalPath(avi)); }

std::string FormatJournal(const CarryJournal& j) {
  std::string out = j.begin ? kMagic : kMagicWithoutBegin;
  out += "\nmode ";
  out += ModeName(j.mode);
  out += "\nphase ";
  out += j.phase == JournalPhase::kPlace ? "place" : "carry";
  out += "\navi " + j.avi + "\noutput " + j.output + "\ntemporary " + j.temporary;
  out += "\nsource ";
  out += SourceName(j.source);
  out += "\nattributes " + std::to_string(j.attributes) + "\n";
  if (j.identity) out += "identity " + std::to_string(j.identity->volume) + " " + std::to_string(j.identity->index) + "\n";
  if (j.begin)
    out += "begin " + std::to_string(j.begin->volume) + " " + std::to_string(j.begin->index) + " " +
           std::to_string(j.begin_size) + "\n";
  for (const auto& [source, target] : j.pairs) out += "pair " + source + "\t" + target + "\n";
  out += "end " + std::to_string(j.pairs.size()) + "\n";
  return out;
}

bool ParseJournal(const std::string& bytes, CarryJournal* journal) {
  if (bytes.size() > kMaxJournalBytes) return false;
  CarryJournal j;
  unsigned seen = 0;  // one bit per field
  size_t at = 0;
  bool first = true, ended = false, with_begin = false;
  while (at < bytes.size()) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string::npos || ended) return false;  // every line ends; nothing after "end"
    const std::string line = bytes.substr(at, end - at);
    at = end + 1;
    if (first) {
      if (line != kMagic && line != kMagicWithoutBegin) return false;
      with_begin = line == kMagic;
      first = false;
      continue;
    }
    const size_t space = line.find(' ');
    if (space == std::string::npos) return false;
    const std::string key = line.substr(0, space), value = line.substr(space + 1);
    static const char* const kFields[] = {"mode", "phase", "avi", "output", "temporary", "source", "attributes",
                                          "identity", "begin"};
    unsigned bit = 0;
    while (bit < 9 && key != kFields[bit]) ++bit;
    if (bit < 9) {
      if (seen & (1u << bit)) return false;
      seen |= 1u << bit;
    }
    uint64_t number = 0;
    if (key == "mode") {
      if (value == "fix") j.mode = Fix;
      else if (value == "move") j.mode = Move;
      else if (value == "copy") j.mode = Copy;
      else return false;
    } else if (key == "phase") {
      if (value == "carry") j.phase = JournalPhase::kCarry;
      else if (value == "place") j.phase = JournalPhase::kPlace;
      else return false;
    } else if (key == "avi" || key == "output" || key == "temporary") {
      if (!GoodPath(value)) return false;
      (key == "avi" ? j.avi : key == "output" ? j.output : j.temporary) = value;
    } else if (key == "source") {
      if (value == "keep") j.source = SourceFate::kKeep;
      else if (value == "aside") j.source = SourceFate::kAside;
      else if (value == "delete") j.source = SourceFate::kDelete;
      else if (value == "aside-delete") j.source = SourceFate::kAsideThenDelete;
      else return false;
    } else if (key == "attributes") {
      if (!ParseNumber(value, 0xffffffffu, &number)) return false;
      j.attributes = static_cast<uint32_t>(number);
    } else if (key == "identity") {
      const size_t space2 = value.find(' ');
      FileIdentity id;
      if (space2 == std::string::npos || !ParseNumber(value.substr(0, space2), UINT64_MAX, &id.volume) ||
          !ParseNumber(value.substr(space2 + 1), UINT64_MAX, &id.index))
        return false;
      j.identity = id;
    } else if (key == "begin" && with_begin) {
      const size_t a = value.find(' '), b = a == std::string::npos ? a : value.find(' ', a + 1);
      FileIdentity id;
      uint64_t size = 0;
      if (b == std::string::npos || !ParseNumber(value.substr(0, a), UINT64_MAX, &id.volume) ||
          !ParseNumber(value.substr(a + 1, b - a - 1), UINT64_MAX, &id.index) ||
          !ParseNumber(value.substr(b + 1), UINT64_MAX, &size))
        return false;
      j.begin = id;
      j.begin_size = size;
    } else if (key == "pair") {
      const size_t tab = value.find('\t');
      if (tab == std::string::npos) return false;
      std::string source = value.substr(0, tab), target = value.substr(tab + 1);
      if (!GoodPath(source) || !GoodPath(target) || source == target) return false;
      j.pairs.emplace_back(std::move(source), std::move(target));
    } else if (key == "end") {
      if (!ParseNumber(value, kMaxJournalBytes, &number) || number != j.pairs.size()) return false;
      ended = true;
    } else {
      return false;
    }
  }
  if (!ended || (seen & 0x7f) != 0x7f || with_begin != j.begin.has_value()) return false;
  // A Fix carries nothing and writes over its own reference AVI.
  if (j.mode == Fix && (!j.pairs.empty() || j.output != j.avi)) return false;
  if (j.identity && (j.mode != Fix || j.source != SourceFate::kKeep)) return false;
  if (j.RemovesSource() && (j.mode != Move || j.output == j.avi)) return false;
  if (j.temporary == j.avi || j.temporary == j.output) return false;
  *journal = std::move(j);
  return true;
}

bool WriteJournal(FileSystem& fs, const CarryJournal& journal) {
  const std::string temporary = JournalTemporaryPath(journal.avi);
  // "place" tells a recovery to trust the disk: it must hold what was done.
  if (journal.phase == JournalPhase::kPlace && !FlushJournalFolders(fs, journal)) return false;
  const bool first = !fs.Exists(JournalPath(journal.avi));
  if (!WriteAll(fs, temporary, FormatJournal(journal))) {
    fs.Delete(temporary);
    return false;
  }
  if (!fs.Rename(temporary, JournalPath(journal.avi), true)) {
    fs.Delete(temporary);
    return false;
  }
  if (FlushFolderOf(fs, journal.avi)) return true;
  // A first journal that may not survive a power loss is no journal: the
  // run stops before it changes anything. A later one stays for the undo.
  if (first) fs.Delete(JournalPath(journal.avi));
  return false;
}

bool FlushJournalFolders(FileSystem& fs, const CarryJournal& j) {
  const WinPath paths;
  std::vector<std::string> folders = {paths.Folder(j.avi), paths.Folder(j.output), paths.Folder(j.temporary)};
  for (const auto& [source, target] : j.pairs) {
    folders.push_back(paths.Folder(target));
    folders.push_back(paths.Folder(source));
  }
  std::vector<std::string> done;
  for (const std::string& folder : folders) {
    // (A temporary name left to another run is no name of this one.)
    if (folder.empty() || std::find(done.begin(), done.end(), folder) != done.end()) continue;
    if (!fs.FlushFolder(folder)) return false;
    done.push_back(folder);
  }
  return true;
}

bool ReadJournal(FileSystem& fs, const std::string& avi, CarryJournal* journal) {
  auto file = fs.Open(JournalPath(avi), OpenMode::kRead);
  uint64_t size = 0;
  if (!file || !file->Size(&size) || size > kMaxJournalBytes) return false;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size != 0 && file->Read(bytes.data(), bytes.size()) != bytes.size()) return false;
  CarryJournal j;
  if (!ParseJournal(bytes, &j)) return false;
  *journal = std::move(j);
  return true;
}

namespace {

// "take1.001" itself, or a collision form of it ("take1~001.001").
bool IsNameOrCollisionForm(const WinPath& paths, const std::string& name, const std::string& original) {
  if (paths.Same(name, original)) return true;
  const size_t at = paths.MarkerPosition(original);
  const size_t tail = original.size() - at;
  if (name.size() < original.size() + 4 || !paths.Same(name.substr(name.size() - tail), original.substr(at)) ||
      !paths.Same(name.substr(0, at), original.substr(0, at)) || name[at] != '~')
    return false;
  for (size_t k = at + 1; k < name.size() - tail; ++k)
    if (name[k] < '0' || name[k] > '9') return false;
  return true;
}

bool Contains(const WinPath& paths, const std::vector<std::string>& list, const std::string& path) {
  for (const std::string& p : list)
    if (paths.Same(p, path)) return true;
  return false;
}

}  // namespace

bool TrustJournal(FileSystem& fs, const std::string& avi, const CarryJournal& j, const LinkReader& read_links,
                  std::string* why) {
  const WinPath paths;
  auto refuse = [why](unsigned id, const std::string& detail) {
    if (why != nullptr) *why = detail.empty() ? LoadText(id) : FormatString1(LoadText(id), detail);
    return false;
  };
  if (!paths.Same(j.avi, avi)) return refuse(IDS_JOURNAL_OTHER_FILE, j.avi);
  // The file it was written beside: in the carry phase nothing has replaced
  // it yet; later the new file may have taken its name.
  FileIdentity now;
  const bool present = fs.Identity(avi, &now);
  uint64_t size = 0;
  if (j.begin) {
    const bool same = present && now == *j.begin && fs.GetSize(avi, &size) && size == j.begin_size;
    // (A Fix without a backup journals its one replacing rename only by
    // the old file's identity.)
    const bool replaced_by_new = (j.phase == JournalPhase::kPlace || j.identity) && paths.Same(j.output, avi);
    if (present ? !same && !replaced_by_new : j.phase == JournalPhase::kCarry)
      return refuse(IDS_JOURNAL_FILE_CHANGED, "");
  }
  // The names the run writes follow from the reference AVI and its
  // destination folder.
  const std::string name = paths.FileName(avi), folder = paths.Folder(j.output);
  if (j.mode == Fix ? !paths.Same(j.output, avi) : folder.empty() || !paths.Same(paths.FileName(j.output), name))
    return refuse(IDS_JOURNAL_STRANGE_NAME, j.output);
  if (j.temporary != TemporaryPath(j.output)) return refuse(IDS_JOURNAL_STRANGE_NAME, j.temporary);
  for (const auto& [source, target] : j.pairs)
    if (!paths.Same(paths.Folder(target), folder) ||
        !IsNameOrCollisionForm(paths, paths.FileName(target), paths.FileName(source)))
      return refuse(IDS_JOURNAL_STRANGE_NAME, target);
  if (j.pairs.empty()) return true;
  // Each source is a data file of the reference AVI: a link it records, one
  // found by the name of a missing link, or one that the new file names at
  // its target.
  std::vector<std::string> links, written;
  const bool readable = present && read_links && read_links(avi, &links);
  if (j.phase == JournalPhase::kPlace) {
    const std::string& now_new = fs.Exists(j.temporary) ? j.temporary : j.output;
    if (read_links && fs.Exists(now_new)) read_links(now_new, &written);
    // The source reference AVI may be gone (a Move deletes it): the final
    // renames touch no data file, so there is nothing left to check.
    if (!readable && written.empty()) return true;
  } else if (!readable) {
    return refuse(IDS_JOURNAL_FILE_CHANGED, "");
  }
  for (const auto& [source, target] : j.pairs) {
    bool known = Contains(paths, links, source) || Contains(paths, written, target);
    for (size_t k = 0; !known && k < links.size(); ++k)
      known = paths.Same(paths.FileName(links[k]), paths.FileName(source)) && !fs.Exists(links[k]);
    if (!known) return refuse(IDS_JOURNAL_STRANGE_PAIR, source);
  }
  return true;
}

bool RemoveJournal(FileSystem& fs, const std::string& avi) { return fs.Delete(JournalPath(avi)); }

RecoveryResult RollBack(FileSystem& fs, const CarryJournal& j) {
  // A Fix without a backup whose new file already took the name: done.
  FileIdentity now;
  if (j.identity && !fs.Exists(j.temporary) && fs.Identity(j.avi, &now) && !(now == *j.identity))
    return RemoveJournal(fs, j.avi) ? RecoveryResult::kCompleted : RecoveryResult::kFailed;
  // The new file may already carry a read-only bit meant for its new name.
  if (fs.Exists(j.temporary) && !fs.Delete(j.temporary) &&
      !(fs.SetAttributes(j.temporary, kAttrNormal) && fs.Delete(j.temporary)))
    return RecoveryResult::kFailed;
  // A source reference AVI already set aside comes back under its name.
  const std::string aside = j.Aside();
  if (!aside.empty() && !fs.Exists(j.avi) && fs.Exists(aside) && !fs.Rename(aside, j.avi, false))
    return RecoveryResult::kFailed;
  // So does an older backup that waited for the new one.
  const std::string older = j.OlderBackup();
  if (!older.empty() && !fs.Exists(j.Backup()) && fs.Exists(older) && !fs.Rename(older, j.Backup(), false))
    return RecoveryResult::kFailed;
  bool whole = fs.Exists(j.avi);
  for (size_t i = j.pairs.size(); i-- > 0;)
    if (!PutBack(fs, j.mode, j.pairs[i].first, j.pairs[i].second)) whole = false;
  if (!whole || !FlushJournalFolders(fs, j) || !RemoveJournal(fs, j.avi)) return RecoveryResult::kFailed;
  return RecoveryResult::kRolledBack;
}

namespace {

// The final renames, from wherever the crash left them.
RecoveryResult Complete(FileSystem& fs, const CarryJournal& j) {
  for (const auto& [source, target] : j.pairs)
    if (!fs.Exists(target)) return RecoveryResult::kFailed;
  const std::string aside = j.Aside();
  if (fs.Exists(j.temporary)) {
    if (!aside.empty() && fs.Exists(j.avi) && !fs.Rename(j.avi, aside, true)) return RecoveryResult::kFailed;
    if (!fs.Rename(j.temporary, j.output, true)) return RecoveryResult::kFailed;
  } else if (!fs.Exists(j.output)) {
    return RecoveryResult::kFailed;
  }
  if (j.source == SourceFate::kDelete && fs.Exists(j.avi) && !fs.Delete(j.avi)) return RecoveryResult::kFailed;
  if (j.source == SourceFate::kAsideThenDelete && fs.Exists(aside) && !fs.Delete(aside))
    return RecoveryResult::kFailed;
  // The new backup replaced the older one that waited for it.
  const std::string older = j.OlderBackup();
  if (!older.empty() && fs.Exists(older) && !fs.Delete(older)) return RecoveryResult::kFailed;
  if (j.attributes != 0 && !fs.SetAttributes(j.output, j.attributes)) return RecoveryResult::kFailed;
  if (!FlushJournalFolders(fs, j) || !RemoveJournal(fs, j.avi)) return RecoveryResult::kFailed;
  return RecoveryResult::kCompleted;
}

}  // namespace

RecoveryResult RecoverInterrupted(FileSystem& fs, const std::string& avi, CarryJournal* journal,
                                  const LinkReader& links, std::string* why) {
  // A journal that was being written when the run stopped never counted.
  const std::string unfinished = JournalTemporaryPath(avi);
  if (fs.Exists(unfinished)) fs.Delete(unfinished);
  if (!fs.Exists(JournalPath(avi))) return RecoveryResult::kNone;
  CarryJournal j;
  if (!ReadJournal(fs, avi, &j)) return RecoveryResult::kUnreadable;
  if (journal != nullptr) *journal = j;
  if (!TrustJournal(fs, avi, j, links, why)) return RecoveryResult::kRefused;
  return j.phase == JournalPhase::kPlace ? Complete(fs, j) : RollBack(fs, j);
}

}  // namespace mendora
