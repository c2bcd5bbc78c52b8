#include "operation/Operation.h"

#include <unordered_map>
#include <unordered_set>

#include "app/ErrorTable.h"
#include "app/Texts.h"
#include "operation/FileNames.h"
#include "operation/Journal.h"
#include "operation/OperationUi.h"
#include "operation/Progress.h"
#include "operation/Steps.h"
#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {

// String ids of the driver's texts.
constexpr unsigned IDS_FINISHED_MOVE = 301;
constexpr unsigned IDS_FINISHED_COPY = 302;
constexpr unsigned IDS_FINISHED_CHECK = 303;
constexpr unsigned IDS_CORRECTED = 304;
constexpr unsigned IDS_READ_ONLY_FILE = 311;
constexpr unsigned IDS_SYSTEM_FILE = 313;
constexpr unsigned IDS_FILE_IS_A = 315;
constexpr unsigned IDS_RETRY_QUESTION = 316;
constexpr unsigned IDS_RECOVER_QUESTION = 330;
constexpr unsigned IDS_RECOVERED_BACK = 331;
constexpr unsigned IDS_RECOVERED_DONE = 332;
constexpr unsigned IDS_RECOVERY_FAILED = 333;
constexpr unsigned IDS_SELECT_DESTINATION = 350;
constexpr unsigned IDS_FILES_EXIST = 466;
constexpr unsigned IDS_OVERWRITE = 467;

const char* Label(int mode) {
  switch (mode) {
    case Fix: return "Fix";
    case Move: return "Move";
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
        ui_.ShowMessage(FormatString1(LoadText(mode == Move ? IDS_FINISHED_MOVE : IDS_FINISHED_COPY), current()));
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
    links_ = std::move(step.links());
    if (r != RC_OK) return r;
  }

  missing_flags_.assign(links_.size(), 0);
  missing_.clear();
  for (size_t i = 0; i < links_.size(); ++i) {
    if (!fs_.Exists(links_[i])) {
      missing_flags_[i] = 1;
      missing_.push_back(links_[i]);
    }
  }
  ready_[current_] = 1;
  output_ = path;
  temporary_ = TemporaryPath(path);

  if (!missing_.empty()) {
    if (mode == Fix) {
      const int r = CheckAttributes(Fix, path);
      if (r != RC_OK) return r;
    }
    found_.assign(missing_.size(), std::string());
    found_flags_.assign(missing_.size(), 0);
    std::string name = path;
    SplitPath(path, nullptr, &name);
    const int searched = ui_.SearchMissing(name, missing_, found_, found_flags_);
    if (searched == IDCANCEL) {
      ready_[current_] = 0;
      return RC_CANCELLED;
    }
    int resolved = searched == 1 ? 1 : 0;
    // Never write a link to nowhere, whatever the search claims.
    for (size_t i = 0; i < found_.size(); ++i)
      if (found_[i].empty() || TooLong(found_[i])) resolved = 0;
    ready_[current_] = resolved;
  }

  if (mode != Fix) return RC_OK;
  if (ready_[current_] && !missing_.empty()) {
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
  if (!ui_.BrowseFolder(LoadText(IDS_SELECT_DESTINATION), &folder_) || folder_.empty()) return RC_CANCELLED;

  int r = PlanDestination();
  if (r != RC_OK) return r;

  // The carry list: every data file that is not already where it goes, once.
  carry_sources_.clear();
  carry_targets_.clear();
  std::unordered_set<std::string> listed;
  for (const LinkPlan& link : plan_) {
    if (link.source == link.target || !listed.insert(link.source).second) continue;
    carry_sources_.push_back(link.source);
    carry_targets_.push_back(link.target);
  }

  if (mode == Move) {
    r = CheckAttributes(Move, current());
    for (size_t i = 0; r == RC_OK && i < carry_sources_.size(); ++i) r = CheckAttributes(Move, carry_sources_[i]);
    if (r != RC_OK) return r;
  }

  r = CheckDestination(mode);
  if (r != RC_OK) return r;

  old_paths_.clear();
  new_paths_.clear();
  for (const LinkPlan& link : plan_) {
    if (link.recorded == link.target) continue;
    old_paths_.push_back(link.recorded);
    new_paths_.push_back(link.target);
  }

  // The plan goes to the disk before the first data file does, so that a
  // crash from here on is finished or taken back by the next run.
  journal_ = CarryJournal{};
  journal_.mode = mode;
  journal_.avi = current();
  journal_.output = output_;
  journal_.temporary = temporary_;
  journal_.source = same_file_ || (mode == Move && backup_ == 1) ? JournalSource::kAside
                    : mode == Move                              ? JournalSource::kDelete
                                                                : JournalSource::kKeep;
  for (size_t i = 0; i < carry_sources_.size(); ++i) journal_.pairs.emplace_back(carry_sources_[i], carry_targets_[i]);
  if (!WriteJournalPhase(JournalPhase::kCarry)) return common_.ReportLastError(1);

  if (!carry_sources_.empty()) {
    CarryInput carry{carry_sources_, carry_targets_, mode == Move ? 1 : 0};
    ProgressStep step(fs_, steps_, carry);
    r = RunStep(step);
    if (r != RC_OK) {
      EndJournal();
      return r;
    }
    carried_ = true;
  }
  return FinishReplace(mode);
}

// True when a link planned so far already goes to `path`.
bool COperation::TargetTaken(const std::string& path) const { return planned_.count(path) != 0; }

int COperation::PlanDestination() {
  std::string name;
  if (!SplitPath(current(), nullptr, &name)) return ERR_INVALID_LOCATION;
  output_ = JoinPath(folder_, name);
  temporary_ = TemporaryPath(output_);
  if (TooLong(temporary_)) return ERR_INVALID_LOCATION;
  fs_.Delete(temporary_);

  plan_.assign(links_.size(), LinkPlan{});
  planned_.clear();
  size_t next_found = 0;
  std::unordered_map<std::string, size_t> first_with_source;
  for (size_t i = 0; i < links_.size(); ++i) {
    LinkPlan& link = plan_[i];
    link.recorded = links_[i];
    link.source = missing_flags_[i] && next_found < found_.size() ? found_[next_found++] : links_[i];
    // A data file named by two links (a found path that is also recorded)
    // goes once, to one place.
    auto seen = first_with_source.find(link.source);
    if (seen != first_with_source.end()) {
      link.target = plan_[seen->second].target;
      continue;
    }
    first_with_source.emplace(link.source, i);
    std::string file;
    if (!SplitPath(link.source, nullptr, &file)) return ERR_INVALID_LOCATION;
    const std::string destination = JoinPath(folder_, file);
    link.target = destination;
    // A name that exists, or that an earlier file of this run goes to, is
    // taken: two data files of one name from two folders must not meet.
    if (link.source != destination && (fs_.Exists(destination) || TargetTaken(destination)))
      link.target = UniqueName(fs_, destination, [this](const std::string& p) { return TargetTaken(p); });
    if (TooLong(link.target)) return ERR_INVALID_LOCATION;
    planned_.insert(link.target);
  }
  return RC_OK;
}

int COperation::CheckDestination(int mode) {
  same_file_ = false;
  if (fs_.Exists(output_)) {
    FileIdentity existing, source;
    // Only the file's identity tells whether the output is the reference
    // AVI itself; when it cannot be read nothing is deleted.
    if (!fs_.Identity(output_, &existing) || !fs_.Identity(current(), &source)) return common_.ReportLastError(1);
    if (!(existing == source)) {
      if (ui_.AskOverwrite(LoadText(IDS_FILES_EXIST), output_, LoadText(IDS_OVERWRITE)) != IDOK) return RC_CANCELLED;
      const int r = CheckAttributes(mode, output_);
      if (r != RC_OK) return r;
      if (!fs_.Delete(output_)) return common_.ReportLastError(1);
    } else {
      const int r = CheckAttributes(mode, output_);
      if (r != RC_OK) return r;
      same_file_ = true;
    }
  }
  // A carry target that appeared since planning gets a free name, in the
  // carry list and in every link that goes there.
  for (size_t c = 0; c < carry_targets_.size(); ++c) {
    if (!fs_.Exists(carry_targets_[c])) continue;
    const std::string old_target = carry_targets_[c];
    const std::string fresh = UniqueName(fs_, old_target, [this](const std::string& p) { return TargetTaken(p); });
    if (TooLong(fresh)) return ERR_INVALID_LOCATION;
    planned_.insert(fresh);
    carry_targets_[c] = fresh;
    for (LinkPlan& link : plan_)
      if (link.target == old_target && link.source != link.target) link.target = fresh;
  }
  return RC_OK;
}

int COperation::FinishReplace(int mode) {
  if (mode == Fix) {
    // A Fix carries nothing, but its renames are journaled like the others'.
    journal_ = CarryJournal{};
    journal_.mode = Fix;
    journal_.avi = journal_.output = current();
    journal_.temporary = temporary_;
    journal_.source = backup_ == 1 ? JournalSource::kAside : JournalSource::kKeep;
    if (!WriteJournalPhase(JournalPhase::kCarry)) return common_.ReportLastError(1);
  }
  CreationInput creation;
  creation.source = current();
  creation.output = temporary_;
  if (mode == Fix) {
    creation.old_paths = missing_;
    creation.new_paths = found_;
  } else {
    creation.old_paths = old_paths_;
    creation.new_paths = new_paths_;
  }
  int r;
  {
    ProgressStep step(fs_, steps_, creation);
    r = RunStep(step);
  }
  if (r != RC_OK) {
    UndoCarry(mode);
    EndJournal();
    return r;
  }
  if (mode != Fix) {
    const uint32_t attributes = fs_.GetAttributes(current());
    journal_.attributes = attributes == kInvalidAttributes ? 0 : attributes;
  }
  // From here a crash is finished forwards: the new file is whole.
  if (!WriteJournalPhase(JournalPhase::kPlace)) {
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
  if (!fs_.Exists(JournalPath(avi))) {
    // Leftovers of a run that stopped before it changed anything.
    RecoverInterrupted(fs_, avi, nullptr);
    return RC_OK;
  }
  CarryJournal journal;
  const char* label = Label(ReadJournal(fs_, avi, &journal) ? journal.mode : Fix);
  if (!ui_.AskRecover(FormatString2(LoadText(IDS_RECOVER_QUESTION), label, avi))) return RC_CANCELLED;
  switch (RecoverInterrupted(fs_, avi, &journal)) {
    case RecoveryResult::kNone:
      return RC_OK;
    case RecoveryResult::kRolledBack:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERED_BACK), label, avi));
      return RC_OK;
    case RecoveryResult::kCompleted:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERED_DONE), label, avi));
      *completed = true;
      return RC_OK;
    default:
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERY_FAILED), avi, JournalPath(avi)));
      return RC_CANCELLED;
  }
}

bool COperation::WriteJournalPhase(JournalPhase phase) {
  const JournalPhase before = journal_.phase;
  journal_.phase = phase;
  if (WriteJournal(fs_, journal_)) {
    journaled_ = true;
    return true;
  }
  journal_.phase = before;  // what the disk still says, if anything
  return false;
}

// The run of this file is over. A journal still in its carry phase means the
// run was taken back: what the undo left undone is put back now, and only a
// whole old state loses its journal. In the place phase the new file was put
// in place, or the failure that stopped it has been told with the places.
void COperation::EndJournal() {
  if (!journaled_) return;
  journaled_ = false;
  if (journal_.phase == JournalPhase::kCarry) {
    if (RollBack(fs_, journal_) != RecoveryResult::kRolledBack)
      ui_.ShowMessage(FormatString2(LoadText(IDS_RECOVERY_FAILED), current(), JournalPath(current())));
    return;
  }
  // A hiccup of the disk must not leave a journal behind a finished run.
  if (!RemoveJournal(fs_, current())) RemoveJournal(fs_, current());
}

int COperation::PlaceFix() {
  const std::string& path = current();
  const std::string backup = BackupPath(path);
  if (backup_ == 1) {
    fs_.Delete(backup);
    if (!fs_.Rename(path, backup, false)) {
      const int r = common_.ReportLastError(1);
      UndoCarry(Fix);
      return r;
    }
    if (!fs_.Rename(temporary_, path, false)) {
      const int r = common_.ReportLastError(1);
      fs_.Rename(backup, path, false);  // the old file back under its name
      UndoCarry(Fix);
      return r;
    }
  } else if (!fs_.Rename(temporary_, path, true)) {
    // One replacing rename: the old file stays until the new one takes its name.
    const int r = common_.ReportLastError(1);
    UndoCarry(Fix);
    return r;
  }
  ui_.ShowMessage(FormatString1(LoadText(IDS_CORRECTED), output_));
  return RC_OK;
}

int COperation::PlaceMoveCopy(int mode) {
  const std::string& source = current();
  const std::string backup = BackupPath(source);
  const uint32_t attributes = fs_.GetAttributes(source);
  const uint32_t attributes_error = GetLastSystemError();

  bool aside = false;
  if (same_file_ || (mode == Move && backup_ == 1)) {
    fs_.Delete(backup);
    if (!fs_.Rename(source, backup, false)) {
      const int r = common_.ReportLastError(1);
      UndoCarry(mode);
      return r;
    }
    aside = true;
  }
  if (!fs_.Rename(temporary_, output_, false)) {
    const int r = common_.ReportLastError(1);
    if (aside) fs_.Rename(backup, source, false);
    UndoCarry(mode);
    return r;
  }
  if (mode == Move && !aside && !fs_.Delete(source)) {
    // The old reference AVI could not go: take the whole move back rather
    // than leave it naming data files that were carried away.
    const int r = common_.ReportLastError(1);
    fs_.Delete(output_);
    UndoCarry(mode);
    return r;
  }
  if (attributes == kInvalidAttributes) {
    SetLastSystemError(attributes_error);
    return common_.ReportLastError(1);
  }
  uint32_t carried = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
  if (carried == 0) carried = kAttrNormal;
  if (!fs_.SetAttributes(output_, carried)) return common_.ReportLastError(1);
  return RC_OK;
}

int COperation::UndoCarry(int mode) {
  // Taken back from the place phase: a crash during the undo must not be
  // finished forwards. A journal that cannot say so goes.
  if (journaled_ && journal_.phase == JournalPhase::kPlace && !WriteJournalPhase(JournalPhase::kCarry) &&
      RemoveJournal(fs_, current()))
    journaled_ = false;
  fs_.Delete(temporary_);
  if (!carried_) return RC_OK;
  for (size_t i = 0; i < carry_sources_.size(); ++i) {
    const bool ok = mode == Move ? fs_.Move(carry_targets_[i], carry_sources_[i]) : fs_.Delete(carry_targets_[i]);
    if (!ok) return common_.ReportLastError(1);
  }
  carried_ = false;
  return RC_OK;
}

void COperation::EndFile() {
  links_.clear();
  missing_flags_.clear();
  missing_.clear();
  found_.clear();
  found_flags_.clear();
  plan_.clear();
  planned_.clear();
  old_paths_.clear();
  new_paths_.clear();
  carry_sources_.clear();
  carry_targets_.clear();
  carried_ = false;
  same_file_ = false;
  journal_ = CarryJournal{};
  journaled_ = false;
  output_.clear();
  temporary_.clear();
  folder_.clear();
}

}  // namespace mendora
