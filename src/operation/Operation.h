#pragma once
// The operation driver: runs Fix, Move or Copy over the selected reference
// AVI files, one after another. For each file it runs the analysis step,
// tests the data links, has the missing ones searched, and then either
// writes a corrected reference AVI in place (Fix) or carries the data files
// to a chosen folder and writes a new reference AVI there (Move, Copy). A
// problem with one file is reported and ends that file only.
#include <memory>
#include <string>
#include <vector>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "operation/DryRun.h"
#include "operation/Journal.h"
#include "operation/RunPlan.h"

namespace mendora {

class FileSystem;
class SettingsStore;
class OperationUi;
class Steps;
class ProgressStep;
struct ReferenceFrames;

class COperation {
 public:
  // Reads the backup flag from the settings.
  COperation(const std::vector<std::string>& selected, FileSystem& fs, SettingsStore& settings, OperationUi& ui,
             Steps& steps);
  ~COperation() = default;
  COperation(const COperation&) = delete;
  COperation& operator=(const COperation&) = delete;

  void RunFix();
  void RunMoveCopy(int isMove);

  // Overrides the backup setting for this run.
  void set_backup_flag(int flag) { backup_ = flag; }
  int backup_flag() const { return backup_; }
  // A dry run: everything up to the first change on the disk runs as in a
  // real run, then the plan goes to `sink` (null: a real run).
  void set_dry_run(DryRunSink* sink) { dry_run_ = sink; }
  // Per selected file: 1 when it ended with its finished message.
  const std::vector<int>& finished() const { return finished_; }

 private:
  int PrepareFile(int mode);
  int CheckAttributes(int mode, const std::string& path);
  int MoveCopyFile(int mode);
  int CheckDestination(int mode);
  int FinishReplace(int mode);
  int UndoCarry(int mode);
  int KeepNewFile();
  void TellStranded(const std::vector<std::string>& pairs);
  int PlaceFix();
  bool SetOlderBackupAside(const std::string& backup, std::string* older);
  void PutOlderBackupBack(const std::string& older, const std::string& backup);
  void DropOlderBackup(const std::string& older);
  int PlaceMoveCopy(int mode);
  int RunStep(ProgressStep& step);
  int RecoverFile(bool* completed);
  void NoteJournalBegin();
  bool WriteJournalPhase(JournalPhase phase);
  void EndJournal();
  void TellJournalLeft(bool journal_too);
  void EndFile();

  const std::string& current() const { return selected_[current_]; }

  const std::vector<std::string>& selected_;
  FileSystem& fs_;
  OperationUi& ui_;
  Steps& steps_;
  CommonFunc common_;
  size_t current_ = 0;
  std::vector<int> ready_;
  std::vector<int> finished_;
  int backup_ = 1;
  DryRunSink* dry_run_ = nullptr;

  // Everything that belongs to the file in hand; EndFile resets it at once,
  // so nothing of one file can leak into the next.
  struct FileState {
    std::vector<std::string> links;
    // From the analysis's walk, for the content check of the search; the
    // reference is read once to analyse it and once to write the new file.
    std::shared_ptr<const ReferenceFrames> frames;
    std::vector<int> missing_flags;
    std::vector<std::string> missing;
    std::vector<std::string> found;
    std::vector<int> found_flags;
    RunPlan plan;  // chosen once the links are known and the search is done
    bool carried = false;    // the carry step has run and succeeded
    CarryJournal journal;    // the plan's record, as the disk has it
    bool journaled = false;  // journal is on the disk
    std::string folder;
  };
  FileState file_;
};

}  // namespace mendora
