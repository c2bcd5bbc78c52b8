#include "operation/RunPlan.h"

#include <set>
#include <unordered_map>

#include "common/Types.h"
#include "operation/FileNames.h"
#include "platform/fs.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {

bool TooLong(const std::string& path) { return path.size() >= static_cast<size_t>(kMaxPath); }

// Where each link's data file is now: a missing link at the next found path.
std::vector<std::string> CurrentPaths(const std::vector<std::string>& links, const std::vector<int>& missing,
                                      const std::vector<std::string>& found) {
  std::vector<std::string> now = links;
  size_t next = 0;
  for (size_t i = 0; i < links.size() && i < missing.size(); ++i)
    if (missing[i] && next < found.size()) now[i] = found[next++];
  return now;
}

}  // namespace

std::string RunPlan::Backup() const { return source == SourceFate::kAside ? BackupPath(avi) : std::string(); }

std::string RunPlan::OlderBackup() const {
  return source == SourceFate::kAside ? OlderBackupPath(avi) : std::string();
}

std::string RunPlan::Aside() const {
  if (source == SourceFate::kAside) return BackupPath(avi);
  if (source == SourceFate::kAsideThenDelete) return TemporaryPath(avi);
  return std::string();
}

void RunPlan::ChangedLinks(std::vector<std::string>* old_paths, std::vector<std::string>* new_paths) const {
  old_paths->clear();
  new_paths->clear();
  for (const auto& [recorded, now] : links) {
    if (recorded == now) continue;
    old_paths->push_back(recorded);
    new_paths->push_back(now);
  }
}

std::vector<std::string> RunPlan::Sources() const {
  std::vector<std::string> list;
  for (const auto& pair : pairs) list.push_back(pair.first);
  return list;
}

std::vector<std::string> RunPlan::Targets() const {
  std::vector<std::string> list;
  for (const auto& pair : pairs) list.push_back(pair.second);
  return list;
}

RunPlan PlanFix(const std::string& avi, const std::vector<std::string>& links, const std::vector<int>& missing,
                const std::vector<std::string>& found, bool backup) {
  RunPlan plan;
  plan.mode = Fix;
  plan.avi = plan.output = avi;
  plan.temporary = TemporaryPath(avi);
  plan.source = backup ? SourceFate::kAside : SourceFate::kKeep;
  const std::vector<std::string> now = CurrentPaths(links, missing, found);
  for (size_t i = 0; i < links.size(); ++i) plan.links.emplace_back(links[i], now[i]);
  return plan;
}

bool PlanCarry(FileSystem& fs, int mode, const std::string& avi, const std::string& folder,
               const std::vector<std::string>& links, const std::vector<int>& missing,
               const std::vector<std::string>& found, RunPlan* plan) {
  const WinPath paths;
  RunPlan p;
  p.mode = mode;
  p.avi = avi;
  std::string name;
  if (!paths.Split(avi, nullptr, &name)) return false;
  p.output = paths.Join(folder, name);
  p.temporary = TemporaryPath(p.output);
  if (TooLong(p.temporary)) return false;

  std::set<std::u32string> planned;  // every target so far, as Windows compares names
  auto taken = [&](const std::string& path) { return planned.count(paths.Key(path)) != 0; };
  std::unordered_map<std::string, std::string> target_of;  // a data file named by two links goes once
  const std::vector<std::string> now = CurrentPaths(links, missing, found);
  for (size_t i = 0; i < links.size(); ++i) {
    const std::string& recorded = links[i];
    const std::string& source = now[i];
    auto seen = target_of.find(source);
    if (seen != target_of.end()) {
      p.links.emplace_back(recorded, seen->second);
      continue;
    }
    std::string file;
    if (!paths.Split(source, nullptr, &file)) return false;
    std::string target = paths.Join(folder, file);
    // A data file already in the folder (named in another case, perhaps)
    // stays: carrying a file onto itself would empty it.
    const bool stays = paths.Same(source, target);
    // Two data files of one name from two folders must not meet, nor two
    // whose names differ only in case.
    if (!stays && (fs.Exists(target) || taken(target))) target = UniqueName(fs, target, taken);
    if (TooLong(target)) return false;
    planned.insert(paths.Key(target));
    target_of.emplace(source, target);
    p.links.emplace_back(recorded, target);
    if (!stays) p.pairs.emplace_back(source, target);
  }
  *plan = std::move(p);
  return true;
}

bool SettleDestination(FileSystem& fs, bool backup, bool output_is_source, RunPlan* plan) {
  const WinPath paths;
  std::set<std::u32string> planned;
  for (const auto& link : plan->links) planned.insert(paths.Key(link.second));
  auto taken = [&](const std::string& path) { return planned.count(paths.Key(path)) != 0; };
  for (auto& [source, target] : plan->pairs) {
    if (!fs.Exists(target)) continue;
    const std::string fresh = UniqueName(fs, target, taken);
    if (TooLong(fresh)) return false;
    planned.insert(paths.Key(fresh));
    for (auto& link : plan->links)
      if (link.second == target) link.second = fresh;
    target = fresh;
  }
  const bool move = plan->mode == Move;
  plan->source = output_is_source || (move && backup) ? SourceFate::kAside
                 : move && plan->replaces_output     ? SourceFate::kAsideThenDelete
                 : move                              ? SourceFate::kDelete
                                                     : SourceFate::kKeep;
  return true;
}

std::string FormatPlan(const RunPlan& plan) {
  const char* verb = plan.mode == Fix ? "fix" : plan.mode == Move ? "move" : "copy";
  std::string text = std::string("dry run: ") + verb + " " + plan.avi + "\n";
  for (const auto& [recorded, now] : plan.links) {
    if (recorded == now) text += "  link  " + recorded + "  (unchanged)\n";
    else text += "  link  " + recorded + "  ->  " + now + "\n";
  }
  for (const auto& [from, to] : plan.pairs) text += std::string("  ") + verb + "  " + from + "  ->  " + to + "\n";
  text += "  new reference AVI  " + plan.output + (plan.replaces_output ? "  (replaces the file there)" : "") + "\n";
  text += "  written first as   " + plan.temporary + "\n";
  if (!plan.Backup().empty()) text += "  old one kept as    " + plan.Backup() + "\n";
  if (plan.RemovesSource()) text += "  old one deleted    " + plan.avi + "\n";
  return text;
}

}  // namespace mendora
