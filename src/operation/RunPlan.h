#pragma once
// The plan of a run on one reference AVI: every name the run will touch,
// chosen once. The live run carries it out, a dry run prints it, the undo
// and the recovery of an interrupted run take it back or finish it, and the
// journal is its record on the disk. Nothing here changes a file.
#include <string>
#include <utility>
#include <vector>

namespace mendora {

class FileSystem;

// What becomes of the source reference AVI in the final renames.
enum class SourceFate {
  kKeep,    // stays (a Copy to another folder; a Fix without a backup is
            // replaced by the new file in one rename)
  kAside,   // becomes its backup before the new file takes its place
  kDelete,  // is deleted once the new file is in place (Move, no backup)
  kAsideThenDelete,  // waits at its temporary name while the new file
                     // replaces an older one, then is deleted (Move)
};

struct RunPlan {
  int mode = 0;           // Fix, Move or Copy
  std::string avi;        // the source reference AVI, as selected
  std::string output;     // where the new reference AVI goes
  std::string temporary;  // where it is written first
  SourceFate source = SourceFate::kKeep;
  // Each data file carried (Move, Copy), once: where it is, and its final
  // name after the collision rule.
  std::vector<std::pair<std::string, std::string>> pairs;
  // Each data link as recorded, and the path the new file records for it.
  // (The journal does not keep these: the new file holds them.)
  std::vector<std::pair<std::string, std::string>> links;
  bool replaces_output = false;  // an older file at `output` is replaced

  // Where the old reference AVI is kept; empty when it is not.
  std::string Backup() const;
  // Where an older backup waits until the new file has its name; empty
  // when the run makes no backup.
  std::string OlderBackup() const;
  // Where the source waits during the final renames; empty when nowhere.
  std::string Aside() const;
  bool RemovesSource() const { return source == SourceFate::kDelete || source == SourceFate::kAsideThenDelete; }
  // The links the new file changes, as the creation step takes them.
  void ChangedLinks(std::vector<std::string>* old_paths, std::vector<std::string>* new_paths) const;
  std::vector<std::string> Sources() const;
  std::vector<std::string> Targets() const;
};

// A Fix: the reference AVI is written anew in its own place. The paths of
// `found` take the places of the missing links (`missing[i]` nonzero), in
// order.
RunPlan PlanFix(const std::string& avi, const std::vector<std::string>& links, const std::vector<int>& missing,
                const std::vector<std::string>& found, bool backup);

// A Move or Copy into `folder`: the new reference AVI keeps its name there,
// and each data file goes into the folder under its own name, or the first
// collision form that neither exists nor is taken by another data file of
// the run (names compared as Windows compares them). A data file already
// in the folder stays; one named by two links goes once. False when a name
// cannot be made or would be too long for Windows; the source's fate is
// set by SettleDestination.
bool PlanCarry(FileSystem& fs, int mode, const std::string& avi, const std::string& folder,
               const std::vector<std::string>& links, const std::vector<int>& missing,
               const std::vector<std::string>& found, RunPlan* plan);

// Once the user has answered about the output path: a carry target that
// appeared since planning gets a free name (in the carry and in the links
// that go there), and the source's fate follows from the mode, the backup
// setting, whether the output is the source itself, and whether it
// replaces an older file. False when a free name would be too long.
bool SettleDestination(FileSystem& fs, bool backup, bool output_is_source, RunPlan* plan);

// The plan in lines, as the console prints a dry run.
std::string FormatPlan(const RunPlan& plan);

}  // namespace mendora
