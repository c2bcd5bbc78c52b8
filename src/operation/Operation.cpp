#include "operation/Operation.h"

#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "operation/FileNames.h"
#include "operation/Journal.h"
#include "operation/MoveMulti.h"
#include "operation/OperationUi.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {

const char* Label(int mode) {
  switch (mode) {
    case Fix: return "Fix";
    case Move: return "Move";
    case Export: return "Export";
    default: return "Copy";
  }
}

bool TooLong(const std::string& path) { return path.size() >= static_cast<size_t>(kMaxPath); }

}  // namespace

COperation::COperation(const std::vector<std::string>& selected, FileSystem& fs, SettingsStore& settings,
                       OperationUi& ui, Steps& steps)
    : selected_(selected), fs_(fs), ui_(ui), steps_(steps), common_(settings, fs, &ui) {
  common_.LoadSettings(SETTING_BACKUP, nullptr, nullptr, nullptr, &backup_);
}

int COperation::RunStep(ProgressStep& step) { return ui_.RunStep(step); }

void COperation::RunFix() {
  ready_.assign(selected_.size(), 0);
  finished_.assign(selected_.size(), 0);
  for (current_ = 0; current_ < selected_.size(); ++current_) {
    bool completed = false;
    int r = RecoverFile(&completed);
    if (completed) finished_[current_] = 1;
    else if (r == RC_OK) r = PrepareFile(Fix);
    if (r != RC_OK && r != RC_CANCELLED) ui_.ShowError(r);
    EndFile();
  }
  ready_.clear();
  current_ = 0;
}

void COperation::RunMoveCopy(int isMove) {
  const int mode = isMove == 1 ? Move : Copy;
  ready_.assign(selected_.size(), 0);
  finished_.assign(selected_.size(), 0);
  for (current_ = 0; current_ < selected_.size(); ++current_) {
    bool completed = false;
    int r = RecoverFile(&completed);
    if (completed) finished_[current_] = 1;
    else if (r == RC_OK) r = PrepareFile(mode);
    if (r == RC_OK && !completed && ready_[current_]) {
      r = MoveCopyFile(mode);
      if (r == RC_OK) {
        if (!dry_run_) ui_.ShowMessage(FormatString1(LoadText(mode == Move ? IDS_FINISHED_MOVE : IDS_FINISHED_COPY), current()));
        finished_[current_] = 1;
      }
    }
    if (r != RC_OK && r != RC_CANCELLED) ui_.ShowError(r);
    EndFile();
  }
  ready_.clear();
  current_ = 0;
}

int COperation::CheckAttributes(int mode, const std::string& path) {
  for (;;) {
    const uint32_t attributes = fs_.GetAttributes(path);
    if (attributes == kInvalidAttributes) return ERR_FILE_STATUS;
    unsigned kind;
    if (attributes & kAttrReadOnly) kind = IDS_READ_ONLY_FILE;
    else if (attributes & kAttrSystem) kind = IDS_SYSTEM_FILE;
    else return RC_OK;
    const std::string what = FormatString2(LoadText(IDS_FILE_IS_A), path, LoadText(kind));
    if (!ui_.AskRetry(FormatString2(LoadText(IDS_RETRY_QUESTION), Label(mode), what))) return RC_CANCELLED;
  }
}

int COperation::PrepareFile(int mode) {
  const std::string& path = current();
  AnalysisInput analysis{path};
  {
    ProgressStep step(fs_, steps_, analysis);
    const int r = RunStep(step);
    file_.links = std::move(step.links());
    file_.frames = step.frames();
    if (r != RC_OK) return r;
  }

  file_.missing_flags.assign(file_.links.size(), 0);
  file_.missing.clear();
  for (size_t i = 0; i < file_.links.size(); ++i) {
    if (!fs_.Exists(file_.links[i])) {
      file_.missing_flags[i] = 1;
      file_.missing.push_back(file_.links[i]);
    }
  }
  ready_[current_] = 1;

  if (!file_.missing.empty()) {
    if (mode == Fix) {
      const int r = CheckAttributes(Fix, path);
      if (r != RC_OK) return r;
    }
    file_.found.assign(file_.missing.size(), std::string());
    file_.found_flags.assign(file_.missing.size(), 0);
    const std::string name = WinPath().FileName(path);
    const int searched = ui_.SearchMissing(path, name, file_.missing, file_.found, file_.found_flags, file_.frames);
    if (searched == IDCANCEL) {
      ready_[current_] = 0;
      return RC_CANCELLED;
    }
    int resolved = searched == 1 ? 1 : 0;
    // Never write a link to nowhere, whatever the search claims.
    for (size_t i = 0; i < file_.found.size(); ++i)
      if (file_.found[i].empty() || TooLong(file_.found[i])) resolved = 0;
    ready_[current_] = resolved;
  }

  if (mode != Fix) return RC_OK;
  if (ready_[current_] && !file_.missing.empty()) {
    file_.plan = PlanFix(path, file_.links, file_.missing_flags, file_.found, backup_ == 1);
    const int r = FinishReplace(Fix);
    if (r != RC_OK) return r;
  }
  if (ready_[current_]) {
    ui_.ShowMessage(FormatString1(LoadText(IDS_FINISHED_CHECK), path));
    finished_[current_] = 1;
  }
  return RC_OK;
}

int COperation::MoveCopyFile(int mode) {
  if (current().empty()) return ERR_INVALID_SELECTION;
  if (!ui_.BrowseFolder(LoadText(IDS_SELECT_DESTINATION), &file_.folder) || file_.folder.empty()) return RC_CANCELLED;
  RunPlan& plan = file_.plan;
  if (!PlanCarry(fs_, mode, current(), file_.folder, file_.links, file_.missing_flags, file_.found, &plan))
    return ERR_INVALID_LOCATION;
  // A leftover of an earlier run at the temporary name goes.
  if (!dry_run_) fs_.Delete(plan.temporary);

  int r = RC_OK;
  if (mode == Move) {
    r = CheckAttributes(Move, current());
    for (size_t i = 0; r == RC_OK && i < plan.pairs.size(); ++i) r = CheckAttributes(Move, plan.pairs[i].first);
    if (r != RC_OK) return r;
  }
  r = CheckDestination(mode);
  if (r != RC_OK) return r;
  if (dry_run_) {
    dry_run_->Plan(plan);
    return RC_OK;
  }

  // The plan goes to the disk before the first data file does, so that a
  // crash from here on is finished or taken back by the next run.
  static_cast<RunPlan&>(file_.journal) = plan;
  NoteJournalBegin();
  if (!WriteJournalPhase(JournalPhase::kCarry)) return common_.ReportLastError(1);

  if (!plan.pairs.empty()) {
    CarryInput carry{plan.Sources(), plan.Targets(), mode == Move ? 1 : 0};
    ProgressStep step(fs_, steps_, carry);
    r = RunStep(step);
    TellStranded(step.stranded());
    if (r != RC_OK) {
      EndJournal();
      return r;
    }
    file_.carried = true;
    // A later reference AVI of the run that links the same data files finds
    // them at their new place.
    ui_.NoteNewFiles(carry.targets);
  }
  return FinishReplace(mode);
}

int COperation::CheckDestination(int mode) {
  RunPlan& plan = file_.plan;
  bool same_file = false;
  if (fs_.Exists(plan.output)) {
    FileIdentity existing, source;
    // Only the file's identity tells whether the output is the reference
    // AVI itself; when it cannot be read nothing is deleted.
    if (!fs_.Identity(plan.output, &existing) || !fs_.Identity(current(), &source)) return common_.ReportLastError(1);
    same_file = existing == source;
    if (!same_file && ui_.AskOverwrite(LoadText(IDS_FILES_EXIST), plan.output, LoadText(IDS_OVERWRITE)) != IDOK)
      return RC_CANCELLED;
    const int r = CheckAttributes(mode, plan.output);
    if (r != RC_OK) return r;
    // The older file stays until the new one replaces it in one rename at
    // the very end: a carry or creation that fails must not cost it.
    plan.replaces_output = !same_file;
  }
  return SettleDestination(fs_, backup_ == 1, same_file, &plan) ? RC_OK : ERR_INVALID_LOCATION;
}

int COperation::FinishReplace(int mode) {
  RunPlan& plan = file_.plan;
  if (mode == Fix) {
    if (dry_run_) {
      dry_run_->Plan(plan);
      return RC_OK;
    }
    // A Fix carries nothing, but its renames are journaled like the others'.
    static_cast<RunPlan&>(file_.journal) = plan;
    // Without a backup the new file takes the name in one replacing rename:
    // the identity of the old one tells a recovery whether that was done, so
    // it needs no journal of its own (one flush less per file).
    file_.journal.identity.reset();
    FileIdentity identity;
    if (plan.Backup().empty() && fs_.Identity(current(), &identity)) file_.journal.identity = identity;
    NoteJournalBegin();
    if (!WriteJournalPhase(JournalPhase::kCarry)) return common_.ReportLastError(1);
  }
  CreationInput creation;
  creation.source = current();
  creation.output = plan.temporary;
  creation.links = file_.links;
  plan.ChangedLinks(&creation.old_paths, &creation.new_paths);
  int r;
  {
    ProgressStep step(fs_, steps_, creation);
    r = RunStep(step);
  }
  if (r != RC_OK) {
    // Another run is writing at the temporary name: the undo leaves its file alone.
    if (r == ERR_TEMP_TAKEN) plan.temporary = file_.journal.temporary = std::string();
    UndoCarry(mode);
    EndJournal();
    return r;
  }
  if (mode != Fix) {
    const uint32_t attributes = fs_.GetAttributes(current());
    uint32_t carried = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    file_.journal.attributes = attributes == kInvalidAttributes ? 0 : carried == 0 ? kAttrNormal : carried;
  }
  // From here a crash is finished forwards: the new file is whole. A Fix
  // whose journal holds the old file's identity is the exception: a crash
  // before its rename drops the new file, one after it is told by the
  // identity, and the journal goes as after any placing.
  if (mode == Fix && file_.journal.identity) {
    file_.journal.phase = JournalPhase::kPlace;
  } else if (!WriteJournalPhase(JournalPhase::kPlace)) {
    r = common_.ReportLastError(1);
    UndoCarry(mode);
    EndJournal();
    return r;
  }
  r = mode == Fix ? PlaceFix() : PlaceMoveCopy(mode);
  EndJournal();
  return r;
}

int COperation::RecoverFile(bool* completed) {
  *completed = false;
  const std::string& avi = current();
  // An interrupted run is put right only by a real run: a dry run tells
  // what that run would ask first, and plans nothing for the file.
  if (dry_run_) {
    CarryJournal journal;
    if (!fs_.Exists(JournalPath(avi))) return RC_OK;
    ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVER_QUESTION),
                                  Label(ReadJournal(fs_, avi, &journal) ? journal.mode : Fix), avi));
    return RC_CANCELLED;
  }
  if (!fs_.Exists(JournalPath(avi))) {
    // Leftovers of a run that stopped before it changed anything.
    RecoverInterrupted(fs_, avi, nullptr, {});
    return RC_OK;
  }
  CarryJournal journal;
  const bool readable = ReadJournal(fs_, avi, &journal);
  const char* label = Label(readable ? journal.mode : Fix);
  const LinkReader links = [this](const std::string& path, std::vector<std::string>* list) {
    return steps_.GetContentList(path, list, nullptr) != 0;
  };
  // A journal that is no record of a run on this file is not acted on, and
  // the user is not asked to.
  std::string why;
  if (readable && !TrustJournal(fs_, avi, journal, links, &why)) {
    ui_.ShowMessage(FormatString2(LoadText(IDS_JOURNAL_REFUSED), JournalPath(avi), why));
    return RC_CANCELLED;
  }
  if (!ui_.AskRecover(FormatString2(LoadText(IDS_RECOVER_QUESTION), label, avi))) return RC_CANCELLED;
  switch (RecoverInterrupted(fs_, avi, &journal, links, &why)) {
    case RecoveryResult::kNone:
      return RC_OK;
    case RecoveryResult::kRolledBack:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERED_BACK), label, avi));
      return RC_OK;
    case RecoveryResult::kCompleted:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERED_DONE), label, avi));
      *completed = true;
      return RC_OK;
    case RecoveryResult::kRefused:
      ui_.ShowMessage(FormatString2(LoadText(IDS_JOURNAL_REFUSED), JournalPath(avi), why));
      return RC_CANCELLED;
    default:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERY_FAILED), avi, JournalPath(avi)));
      return RC_CANCELLED;
  }
}

// The reference AVI as the run found it, so that a journal beside another
// file of its name is not taken for this run's.
void COperation::NoteJournalBegin() {
  FileIdentity identity;
  uint64_t size = 0;
  file_.journal.begin.reset();
  if (fs_.Identity(current(), &identity) && fs_.GetSize(current(), &size)) {
    file_.journal.begin = identity;
    file_.journal.begin_size = size;
  }
}

bool COperation::WriteJournalPhase(JournalPhase phase) {
  const JournalPhase before = file_.journal.phase;
  file_.journal.phase = phase;
  if (WriteJournal(fs_, file_.journal)) {
    file_.journaled = true;
    return true;
  }
  file_.journal.phase = before;  // what the disk still says, if anything
  TellJournalLeft(!file_.journaled);  // a first journal that stayed is a leftover
  return false;
}

// A journal the disk would not let go is harmless, but it is told.
void COperation::TellJournalLeft(bool journal_too) {
  std::vector<std::string> left = {JournalTemporaryPath(current())};
  if (journal_too) left.push_back(JournalPath(current()));
  for (const std::string& path : left)
    if (fs_.Exists(path)) ui_.ShowMessage(FormatString1(LoadText(IDS_JOURNAL_LEFT), path));
}

// The run of this file is over. A journal still in its carry phase means the
// run was taken back: what the undo left undone is put back now, and only a
// whole old state loses its journal. In the place phase the new file was put
// in place, or the failure that stopped it has been told with the places.
void COperation::EndJournal() {
  if (!file_.journaled) return;
  file_.journaled = false;
  if (file_.journal.phase == JournalPhase::kCarry) {
    if (RollBack(fs_, file_.journal) != RecoveryResult::kRolledBack)
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERY_FAILED), current(), JournalPath(current())));
    TellJournalLeft(false);
    return;
  }
  // A hiccup of the disk must not leave a journal behind a finished run. A
  // journal whose run is not yet on the disk stays for the next run.
  if (!FlushJournalFolders(fs_, file_.journal)) {
    TellJournalLeft(true);
    return;
  }
  if (!RemoveJournal(fs_, current()) && !RemoveJournal(fs_, current())) TellJournalLeft(true);
}

int COperation::PlaceFix() {
  const RunPlan& plan = file_.plan;
  const std::string& path = current();
  const std::string backup = plan.Backup();
  if (!backup.empty()) {
    std::string older;
    if (!SetOlderBackupAside(backup, &older)) return KeepNewFile();
    if (!fs_.Rename(path, backup, false)) {
      const uint32_t error = GetLastSystemError();
      PutOlderBackupBack(older, backup);
      SetLastSystemError(error);
      return KeepNewFile();
    }
    if (!fs_.Rename(plan.temporary, path, false)) {
      const uint32_t error = GetLastSystemError();
      if (fs_.Rename(backup, path, false)) PutOlderBackupBack(older, backup);
      else if (older.empty()) TellStranded({backup, path});
      else TellStranded({backup, path, older, backup});
      SetLastSystemError(error);
      return KeepNewFile();
    }
    DropOlderBackup(older);
  } else if (!fs_.Rename(plan.temporary, path, true)) {
    // One replacing rename: the old file stays until the new one takes its name.
    return KeepNewFile();
  }
  ui_.ShowMessage(FormatString1(LoadText(IDS_CORRECTED), plan.output));
  return RC_OK;
}

// A new backup replaces an older one only once the new reference AVI has
// its name: a replacing rename onto the backup would drop the older backup
// even when the new file then fails to take its place. Until then the older
// backup waits at OlderBackupPath (*older; empty when there is none), where
// the recovery of an interrupted run also looks for it. False, with nothing
// changed, when it could not be moved (an unknown file holds that name).
bool COperation::SetOlderBackupAside(const std::string& backup, std::string* older) {
  older->clear();
  if (!fs_.Exists(backup)) return true;
  const std::string aside = file_.plan.OlderBackup();
  if (!fs_.Rename(backup, aside, false)) return false;
  *older = aside;
  return true;
}

void COperation::PutOlderBackupBack(const std::string& older, const std::string& backup) {
  if (!older.empty() && !fs_.Rename(older, backup, false)) TellStranded({older, backup});
}

// The new file is in place: the older backup has been replaced.
void COperation::DropOlderBackup(const std::string& older) {
  if (older.empty() || fs_.Delete(older) || fs_.Delete(older)) return;
  common_.ReportLastError(1);
  TellStranded({older, file_.plan.Backup()});
}

// The new reference AVI is finished but could not take its name: it holds
// the user's search and confirmations, so it stays where it is, named.
int COperation::KeepNewFile() {
  const int r = common_.ReportLastError(1);
  ui_.ShowMessage(FormatString1(LoadText(IDS_KEPT_NEW), file_.plan.temporary));
  return r;
}

int COperation::PlaceMoveCopy(int mode) {
  const RunPlan& plan = file_.plan;
  const std::string& source = current();
  const std::string backup = plan.Backup();
  // The attributes go onto the new file before it takes its name, so that a
  // failure here still finds the old state whole.
  const uint32_t attributes = fs_.GetAttributes(source);
  if (attributes == kInvalidAttributes) {
    const int r = common_.ReportLastError(1);
    UndoCarry(mode);
    return r;
  }
  uint32_t carried = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
  if (carried == 0) carried = kAttrNormal;
  if (!fs_.SetAttributes(plan.temporary, carried)) {
    const int r = common_.ReportLastError(1);
    UndoCarry(mode);
    return r;
  }

  // Where the old reference AVI waits until the new one has its name. A
  // Move that replaces an older file at the output path cannot be taken back
  // after that rename, so the old one is set aside rather than deleted.
  const std::string aside = plan.Aside();
  // An older backup waits at a temporary name until the new file has its
  // name.
  std::string older;
  if (!backup.empty() && !SetOlderBackupAside(backup, &older)) {
    const int r = common_.ReportLastError(1);
    UndoCarry(mode);
    return r;
  }
  if (!aside.empty() && !fs_.Rename(source, aside, false)) {
    const int r = common_.ReportLastError(1);
    PutOlderBackupBack(older, backup);
    UndoCarry(mode);
    return r;
  }
  if (!fs_.Rename(plan.temporary, plan.output, plan.replaces_output)) {
    const int r = common_.ReportLastError(1);
    if (aside.empty() || fs_.Rename(aside, source, false)) PutOlderBackupBack(older, backup);
    else if (older.empty()) TellStranded({aside, source});
    else TellStranded({aside, source, older, backup});
    UndoCarry(mode);
    return r;
  }
  DropOlderBackup(older);
  if (plan.source == SourceFate::kDelete && !fs_.Delete(source)) {
    // Take the whole move back rather than leave the old reference AVI
    // naming data files that were carried away.
    const int r = common_.ReportLastError(1);
    if (!fs_.Delete(plan.output)) TellStranded({plan.output, source});
    UndoCarry(mode);
    return r;
  }
  if (plan.source == SourceFate::kAsideThenDelete && !fs_.Delete(aside)) {
    // The move is complete; only the set-aside old file is left over.
    common_.ReportLastError(1);
    TellStranded({aside, source});
  }
  return RC_OK;
}

// Every pair that cannot go back is still tried; what stays is told with
// where each file is now and where it came from.
int COperation::UndoCarry(int mode) {
  // Taken back from the place phase: a crash during the undo must not be
  // finished forwards. A journal that cannot say so goes.
  if (file_.journaled && file_.journal.phase == JournalPhase::kPlace && !WriteJournalPhase(JournalPhase::kCarry) &&
      RemoveJournal(fs_, current()))
    file_.journaled = false;
  std::vector<std::string> stranded;
  const std::string& temporary = file_.plan.temporary;
  if (!temporary.empty() && !fs_.Delete(temporary) && fs_.Exists(temporary)) {
    // It may carry the read-only bit meant for the new file.
    if (!fs_.SetAttributes(temporary, kAttrNormal) || !fs_.Delete(temporary))
      stranded.insert(stranded.end(), {temporary, current()});
  }
  if (file_.carried) {
    for (size_t i = file_.plan.pairs.size(); i-- > 0;) {
      const auto& [source, target] = file_.plan.pairs[i];
      if (!(mode == Move ? MoveOneFile(fs_, target, source) : fs_.Delete(target)))
        stranded.insert(stranded.end(), {target, source});
    }
    file_.carried = false;
  }
  TellStranded(stranded);
  return stranded.empty() ? RC_OK : RC_CANCELLED;
}

// `pairs`: where a file is now, then where it belongs (or, for a copy left
// behind, what it is a copy of).
void COperation::TellStranded(const std::vector<std::string>& pairs) {
  if (pairs.empty()) return;
  std::string lines;
  for (size_t i = 0; i + 1 < pairs.size(); i += 2)
    lines += FormatString2(LoadText(IDS_NOT_PUT_BACK_LINE), pairs[i], pairs[i + 1]);
  ui_.ShowMessage(FormatString1(LoadText(IDS_NOT_PUT_BACK), lines));
}

void COperation::EndFile() { file_ = FileState{}; }

}  // namespace mendora
