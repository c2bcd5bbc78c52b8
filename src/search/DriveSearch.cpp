#include "search/DriveSearch.h"

#include <algorithm>
#include <memory>

#include "common/CommonFunc.h"
#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "common/Types.h"
#include "platform/fs.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"
#include "refavi/DvFileProbe.h"
#include "search/FoundChoice.h"
#include "search/ManualLocate.h"

namespace mendora {

namespace {
constexpr int kSearchSettings = SETTING_DIRECTORY | SETTING_FILTER | SETTING_SEARCH_DRIVES;
// No drive chosen at all: drives A and C.
constexpr uint32_t kFallbackDrives = 5;
// The last drive index the worker looks at.
constexpr int kLastDriveIndex = 26;
// How often a stop re-opens the reply event while it waits for the worker.
constexpr std::chrono::milliseconds kStopPoll{5};

// The folder of a path as the search dialog shows it: "C:\" for a root.
std::string ShownFolderOf(const std::string& path) {
  const WinPath paths;
  const std::string folder = paths.Folder(path);
  return folder.empty() ? path : paths.WithoutSeparator(folder);
}

}  // namespace

DvProbeFn MakeDvProbe(FileSystem& fs) {
  return [&fs](const std::string& path) { return ProbeDvFile(fs, path); };
}

ContentCheckFn MakeContentCheck(FileSystem& fs, const std::string& avi_path,
                                std::shared_ptr<const ReferenceFrames> frames) {
  struct Reference {
    bool read = false;
    bool ok = false;
    std::shared_ptr<const ReferenceFrames> frames;
  };
  auto reference = std::make_shared<Reference>();
  if (frames) {
    reference->read = reference->ok = true;
    reference->frames = std::move(frames);
  }
  return [&fs, avi_path, reference](const std::string& missing_link, const std::string& candidate) {
    if (!reference->read) {
      reference->read = true;
      auto walked = std::make_shared<ReferenceFrames>();
      reference->ok = ReadReferenceFrames(fs, avi_path, walked.get());
      reference->frames = std::move(walked);
    }
    CandidateVerdict verdict;
    if (!reference->ok) {
      verdict.result.verdict = ContentVerdict::kCannotOpen;
      verdict.reason = "cannot be compared: the reference AVI cannot be read";
      return verdict;
    }
    const ReferenceFrames& taken = *reference->frames;
    const LinkFrames* link = taken.Find(missing_link);
    if (link == nullptr) return verdict;  // the reference takes no frame from it
    verdict.result = CheckLinkContent(fs, candidate, *link, taken.frame_size);
    if (!verdict.ok()) verdict.reason = DescribeContentCheck(verdict.result, taken.frame_size);
    return verdict;
  };
}

DriveSearch::DriveSearch(const std::string& avi_name, const std::vector<std::string>& missing_links,
                       std::vector<std::string>* found_paths, int missing_count, std::vector<int>* found_flags,
                       SearchServices services, SearchUi& ui)
    : services_(std::move(services)),
      ui_(ui),
      avi_name_(avi_name),
      missing_links_(missing_links),
      found_paths_(found_paths),
      found_flags_(found_flags),
      missing_count_(std::clamp(missing_count, 0, static_cast<int>(missing_links.size()))),
      own_memory_(std::make_unique<RunMemory>(0)),
      memory_(own_memory_.get()),
      heading_(FormatString1(LoadText(IDS_SEARCH_HEADING), avi_name)),
      folder_label_(LoadText(IDS_SEARCH_FOLDER_LABEL)) {
  if (found_paths_->size() < static_cast<size_t>(missing_count_)) found_paths_->resize(missing_count_);
  if (found_flags_->size() < static_cast<size_t>(missing_count_)) found_flags_->resize(missing_count_, 0);

  CommonFunc settings(services_.settings, services_.fs);
  settings.LoadSettings(kSearchSettings, &directory_, &filter_, &drive_mask_, nullptr);
  // The folder the user last worked in is always searched: its drive joins
  // the mask (modulo 32, so that a lower-case letter gives the same drive).
  if (!directory_.empty() && services_.fs.SetCurrentDir(directory_))
    drive_mask_ |= 1u << ((static_cast<unsigned char>(directory_[0]) - 'A') & 31);
}

DriveSearch::~DriveSearch() {
  // A dialog never outlives its worker.
  if (worker_.Started() && !worker_.HasEnded()) StopWorker();
  worker_.Join();
}

int DriveSearch::DoModal() {
  OnInitDialog();
  auto next_tick = std::chrono::steady_clock::now() + timer_period_;
  while (!ended_) {
    SearchMessage message;
    if (queue_.WaitNext(&message, timer_on_ ? next_tick : std::chrono::steady_clock::now() + timer_period_)) {
      Dispatch(message);
    }
    const auto now = std::chrono::steady_clock::now();
    if (!ended_ && timer_on_ && now >= next_tick) {
      next_tick = now + timer_period_;
      OnTimer();
    }
  }
  // Messages still queued are handled as a window would until it is gone:
  // found records from the stopped worker are released without asking,
  // folder texts and buttons are ignored.
  SearchMessage left;
  while (queue_.WaitNext(&left, std::chrono::steady_clock::now())) Dispatch(left);
  return result_;
}

void DriveSearch::HandlePending() {
  SearchMessage message;
  while (!ended_ && queue_.WaitNext(&message, std::chrono::steady_clock::now())) Dispatch(message);
  // Once ended, found records are still released without asking.
  while (ended_ && queue_.WaitNext(&message, std::chrono::steady_clock::now())) Dispatch(message);
}

void DriveSearch::Tick() {
  // A wake-up that never reached the window (a lost posted message) must not
  // leave the worker waiting for an answer: the timer takes what is queued.
  HandlePending();
  if (timer_on_ && !ended_) OnTimer();
}

void DriveSearch::Press(int id) {
  if (id == IDOK) {
    OnReference();
  } else if (id == IDCANCEL) {
    OnCancel();
  }
}

void DriveSearch::PostToDialog(SearchMessage message) {
  const SearchMessage::Kind kind = message.kind;
  queue_.Post(std::move(message));
  if (notify_) notify_(kind);
}

void DriveSearch::PostButton(int id) {
  SearchMessage message;
  message.kind = SearchMessage::kButton;
  message.index = id;
  queue_.Post(std::move(message));
}

void DriveSearch::OnInitDialog() {
  missing_names_.clear();
  missing_list_.clear();
  for (int i = 0; i < missing_count_; ++i) {
    missing_names_.push_back(WinPath().FileName(missing_links_[i]));
    missing_list_ += missing_names_.back();
    if (i != missing_count_ - 1) missing_list_ += '\n';
  }
  caption_ = LoadText(IDS_SEARCH_CAPTION);
  ui_.ShowMissingList(missing_list_);

  stopped_ = false;
  ended_ = false;
  ResolveBeforeWalk();
  if (!AnyUnresolved()) {
    // Nothing left to walk for.
    stopped_ = true;
    EndDialog(IDOK);
    return;
  }

  gate_.Set();
  reply_.Set();
  worker_ended_.Reset();
  // The flags are cleared before the worker starts, not by the worker: a
  // button pressed before it runs must not be undone.
  stop_.store(0);
  recheck_.store(0);
  const bool started = worker_.Start([this] {
    // Set however the walk ends, a throw included: a stop waits for it. Then
    // the window is told, so that a walk that ends is seen at once and not
    // at the next tick of the timer, which stays for a wake-up that is lost.
    struct EndSignal {
      DriveSearch& search;
      ~EndSignal() {
        search.worker_ended_.Set();
        try {
          SearchMessage message;
          message.kind = SearchMessage::kWalkEnded;
          search.PostToDialog(std::move(message));
        } catch (...) {
          // The timer sees the end.
        }
      }
    } end_signal{*this};
    SearchThreadProc();
  });
  if (!started) {
    // No walk without a worker: the user is told why, and the file goes no
    // further, as after a Cancel.
    worker_ended_.Set();
    all_resolved_ = 0;
    stopped_ = true;
    ui_.ShowError(ERR_NO_THREAD);
    EndDialog(IDCANCEL);
    return;
  }
  timer_on_ = true;
}

void DriveSearch::Dispatch(const SearchMessage& message) {
  switch (message.kind) {
    case SearchMessage::kFoundRecord:
      OnFoundRecord(message.index, message.text);
      break;
    case SearchMessage::kFolderText:
      OnFolderText(message.text);
      break;
    case SearchMessage::kButton:
      if (message.index == IDOK) {
        OnReference();
      } else if (message.index == IDCANCEL) {
        OnCancel();
      }
      break;
    case SearchMessage::kWalkEnded:
      if (timer_on_ && !ended_) OnTimer();
      break;
  }
}

void DriveSearch::OnFoundRecord(int index, const std::string& candidate) {
  // After a stop nobody is asked: the worker is released (or has ended).
  if (stopped_ || ended_ || index < 0 || index >= missing_count_ || (*found_flags_)[index] == 1) {
    reply_.Set();
    return;
  }
  // The content check: a file of the right name may be another capture. It
  // may hold the frames of another missing link of its name instead.
  int target = index;
  if (services_.check) {
    target = -1;
    CandidateVerdict first;
    for (int d = index; d < missing_count_; ++d) {
      if (d != index && ((*found_flags_)[d] != 0 || missing_names_[d] != missing_names_[index]))
        continue;
      CandidateVerdict verdict = services_.check(missing_links_[d], candidate);
      if (verdict.ok()) {
        target = d;
        break;
      }
      if (d == index) first = std::move(verdict);
    }
    if (target < 0) {
      ui_.ShowPassedOver(candidate, missing_links_[index], first.reason);
      reply_.Set();
      return;
    }
  }
  FoundChoice dlg(missing_links_[target], candidate, &(*found_paths_)[target], &(*found_flags_)[target]);
  const int answer = dlg.DoModal(ui_);
  if (answer == IDOK) {
    RefreshMissingList();
    LearnFrom(target, candidate);
    if (!AnyUnresolved()) {
      // Everything is resolved: the worker has nothing left to walk for.
      StopWorker();
      EndDialog(IDOK);
      return;
    }
    reply_.Set();
  } else if (dlg.continue_flag() == 0) {
    all_resolved_ = 0;
    StopWorker();
    EndDialog(IDCANCEL);
  } else if (dlg.manual_flag() == 1) {
    StopWorker();
    EndDialog(LocateAllManually() ? IDOK : IDCANCEL);
  } else {
    reply_.Set();
  }
}

void DriveSearch::OnFolderText(const std::string& folder) {
  if (stopped_ || worker_.HasEnded()) return;
  current_folder_ = folder;
  ui_.ShowFolder(current_folder_);
}

void DriveSearch::OnTimer() {
  if (cancel_poll_ && cancel_poll_()) {
    OnCancel();
    return;
  }
  // Set as the worker's last act: the join below is short.
  if (!worker_ended_.IsSet()) return;
  timer_on_ = false;
  worker_.Join();
  stopped_ = true;
  if (AnyUnresolved()) {
    ui_.ShowMessage(kFileNotFound);
    EndDialog(LocateAllManually() ? IDOK : IDCANCEL);
  } else {
    EndDialog(IDOK);
  }
}

void DriveSearch::OnReference() {
  if (ended_) return;
  StopWorker();
  EndDialog(LocateAllManually() ? IDOK : IDCANCEL);
}

void DriveSearch::OnCancel() {
  if (ended_) return;
  all_resolved_ = 0;
  StopWorker();
  EndDialog(IDCANCEL);
}

void DriveSearch::StopWorker() {
  gate_.Reset();
  stop_.store(1);
  recheck_.store(1);
  timer_on_ = false;
  gate_.Set();
  // The worker may be blocked on a found record that will never be answered,
  // or about to post one: keep releasing it until it has ended.
  reply_.Set();
  if (worker_.Started()) {
    while (!worker_ended_.WaitFor(kStopPoll)) reply_.Set();
    worker_.Join();
  }
  stopped_ = true;
}

bool DriveSearch::LocateAllManually() {
  for (int i = 0; i < missing_count_; ++i) {
    // Resolved, also through a mapping learned from an earlier location.
    if ((*found_flags_)[i] != 0) continue;
    ManualLocate dlg(avi_name_, missing_names_[i], &(*found_paths_)[i], &(*found_flags_)[i], services_);
    dlg.set_missing_link(missing_links_[i]);
    if (dlg.DoModal(ui_) != IDOK) {
      all_resolved_ = 0;
      return false;
    }
    RefreshMissingList();
    LearnFrom(i, (*found_paths_)[i]);
  }
  return true;
}

// Before the walk: the places of the run's folder mappings. Runs on the
// user-interface thread before the worker starts.
void DriveSearch::ResolveBeforeWalk() {
  if (!memory_->mapping.empty()) ResolveThroughMappings();
}

void DriveSearch::LearnFrom(int index, const std::string& path) {
  memory_->mapping.Learn(missing_links_[index], path);
  if (!memory_->mapping.empty()) ResolveThroughMappings();
}

void DriveSearch::Take(int index, const std::string& path) {
  (*found_paths_)[index] = path;
  (*found_flags_)[index] = 1;
}

// Every unresolved link is tried at the places the mappings give: files
// under a given or confirmed mapping are taken at once, the others after one
// question for them all. Each must be DV and hold the link's frames.
void DriveSearch::ResolveThroughMappings() {
  const FolderMapping& mapping = memory_->mapping;
  std::vector<std::pair<int, FolderMapping::Place>> asked;
  bool taken = false;
  for (int i = 0; i < missing_count_; ++i) {
    if ((*found_flags_)[i] != 0) continue;
    for (FolderMapping::Place& place : mapping.PlacesFor(missing_links_[i])) {
      if (place.path.size() >= static_cast<size_t>(kMaxPath) || !services_.fs.Exists(place.path)) continue;
      if (!services_.probe || services_.probe(place.path) != 0) continue;
      if (services_.check) {
        const CandidateVerdict verdict = services_.check(missing_links_[i], place.path);
        if (!verdict.ok()) {
          ui_.ShowPassedOver(place.path, missing_links_[i], verdict.reason);
          continue;
        }
      }
      if (mapping.Unasked(place.mapping)) {
        Take(i, place.path);
        taken = true;
      } else {
        asked.emplace_back(i, std::move(place));
      }
      break;
    }
  }
  if (!asked.empty()) {
    std::vector<std::pair<std::string, std::string>> places;
    for (const auto& [i, place] : asked) places.emplace_back(missing_links_[i], place.path);
    const std::string text = FormatString1(LoadText(IDS_FOUND_OTHERS), std::to_string(asked.size()));
    if (ui_.AskUpdateOthers(text, places)) {
      for (const auto& [i, place] : asked) {
        Take(i, place.path);
        memory_->mapping.Confirm(place.mapping);
      }
      taken = true;
    }
  }
  if (taken) RefreshMissingList();
}

void DriveSearch::RefreshMissingList() {
  missing_list_.clear();
  for (int i = 0; i < missing_count_; ++i) {
    if ((*found_flags_)[i] != 0) continue;
    missing_list_ += missing_names_[i];
    if (i != missing_count_ - 1) missing_list_ += '\n';
  }
  ui_.ShowMissingList(missing_list_);
}

void DriveSearch::EndDialog(int result) {
  result_ = result;
  ended_ = true;
  timer_on_ = false;
}

// ---- worker ----

bool DriveSearch::AnyUnresolved() const {
  for (int i = 0; i < missing_count_; ++i)
    if ((*found_flags_)[i] == 0) return true;
  return false;
}

bool DriveSearch::GatePasses() {
  gate_.Wait();
  if (recheck_.exchange(0) == 0) return true;
  return AnyUnresolved();
}

bool DriveSearch::MayGoOn() { return AnyUnresolved() && stop_.load() == 0 && GatePasses(); }

void DriveSearch::SearchThreadProc() {
  const uint32_t mask = drive_mask_ == 0 ? kFallbackDrives : drive_mask_;
  WalkMemory& memory = memory_->walk;
  for (int i = 0; i <= kLastDriveIndex && MayGoOn(); ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const std::string root{static_cast<char>('A' + i), ':', '\\'};
    // A drive that cannot be entered (absent, no medium) is skipped.
    if (!services_.fs.SetCurrentDir(root)) continue;
    WalkMemory::State state = memory.state(i);
    if (state == WalkMemory::State::kPartial || state == WalkMemory::State::kComplete) {
      ReplayDrive(i, root);
      if (state == WalkMemory::State::kComplete) continue;
    } else if (state == WalkMemory::State::kNew) {
      memory.Start(i, root);
      state = memory.state(i);
    }
    if (state == WalkMemory::State::kPartial) {
      WalkDrive(i, memory.walk(i), true);
    } else {
      WalkMemory::Walk walk;
      walk.stack.emplace_back();
      walk.stack.back().folder = root;
      WalkDrive(i, walk, false);
    }
  }
}

// What earlier searches of the run met on the drive, offered in walk order,
// each after its folder as the walk showed them.
void DriveSearch::ReplayDrive(int drive, const std::string& root) {
  PostFolder(root);
  std::string shown = root;
  for (const std::string& path : memory_->walk.Recorded(drive, missing_names_)) {
    if (!MayGoOn()) return;
    const std::string folder = ShownFolderOf(path);
    if (folder != shown) {
      PostFolder(folder);
      shown = folder;
    }
    OfferFile(WinPath().FileName(path), path);
  }
}

// Walks on from where `walk` stands, depth first, each folder shown before
// its entries; with `record`, every folder and file met goes to the run's
// memory, and a stop leaves the walk where it can go on.
void DriveSearch::WalkDrive(int drive, WalkMemory::Walk& kept, bool record) {
  WalkMemory& memory = memory_->walk;
  WalkMemory::Walk unrecorded;  // the rest of a walk whose record was given up
  WalkMemory::Walk* walk = &kept;
  // Past the memory's budget: this walk goes on unrecorded, and later
  // searches walk the drive for themselves. Frames keep their place: the
  // stack moves whole.
  auto go_on_unrecorded = [&] {
    unrecorded = std::move(*walk);
    walk->stack.clear();
    walk = &unrecorded;
    record = false;
  };
  while (MayGoOn()) {
    if (walk->stack.empty()) {
      if (record) memory.MarkComplete(drive);
      return;
    }
    WalkMemory::Frame& top = walk->stack.back();
    if (!top.entered) {
      top.entered = true;
      PostFolder(top.folder);
      top.find = services_.fs.FindNames(top.folder);
      if (!top.find) {
        walk->stack.pop_back();
        continue;
      }
      // "D:\ソ" ends with the byte 0x5C, which is no backslash there.
      top.root = top.folder;
      while (WinPath().EndsWithSeparator(top.root)) top.root.pop_back();
      if (record) {
        top.id = memory.RecordWalkedFolder(drive, top.folder);
        if (top.id == WalkMemory::kGivenUp) go_on_unrecorded();
      }
      continue;
    }
    DirEntry entry;
    if (!top.find->Next(&entry)) {
      walk->stack.pop_back();
      continue;
    }
    if (entry.name == "." || entry.name == "..") continue;
    // Paths are held in 260-character buffers: a longer one is neither walked
    // nor offered.
    if (top.root.size() + 1 + entry.name.size() >= static_cast<size_t>(kMaxPath)) continue;
    std::string path = top.root + "\\" + entry.name;
    if (entry.attributes & kAttrDirectory) {
      // Links, junctions and other reparse points are not followed, so a
      // loop in the tree cannot trap the walk.
      if (!(entry.attributes & kAttrReparsePoint)) {
        walk->stack.emplace_back();
        walk->stack.back().folder = std::move(path);
      }
      continue;
    }
    if (record && !memory.RecordFile(drive, entry.name, top.id)) go_on_unrecorded();
    OfferFile(entry.name, path);
  }
}

void DriveSearch::PostFolder(const std::string& folder) {
  SearchMessage message;
  message.kind = SearchMessage::kFolderText;
  message.text = folder;
  PostToDialog(std::move(message));
}

// Offers `path` for the first unresolved missing link of its name when it is
// a DV file, and waits for the answer. One file is offered for at most one
// missing link.
void DriveSearch::OfferFile(const std::string& name, const std::string& path) {
  // Nearly every file of a drive has a name no missing link has: it costs a
  // comparison per missing name and never touches the gate. Skipping it
  // changes nothing a stop could see, since the walk asks MayGoOn before the
  // next entry anyway. The names are fixed before the worker starts.
  bool named = false;
  for (int d = 0; d < missing_count_ && !named; ++d) named = name == missing_names_[d];
  if (!named) return;
  for (int d = 0; d < missing_count_ && stop_.load() == 0 && GatePasses(); ++d) {
    if ((*found_flags_)[d] == 1) continue;
    if (!GatePasses() || recheck_.load() != 0 || stop_.load() != 0) break;
    if (name != missing_names_[d]) continue;
    if (!services_.probe || services_.probe(path) != 0) continue;
    if (!GatePasses() || recheck_.load() != 0 || stop_.load() != 0) break;

    reply_.Reset();
    // A stop that came after the gate would never answer this record.
    if (stop_.load() != 0) break;
    SearchMessage message;
    message.kind = SearchMessage::kFoundRecord;
    message.index = d;
    message.text = path;
    PostToDialog(std::move(message));
    reply_.Wait();
    break;
  }
}

int SearchMissingFiles(const std::string& avi_name, const std::vector<std::string>& missing,
                       std::vector<std::string>& found, std::vector<int>& found_flags, SearchServices services,
                       SearchUi& ui, const SearchOptions& options) {
  DriveSearch dlg(avi_name, missing, &found, static_cast<int>(missing.size()), &found_flags, std::move(services), ui);
  if (options.drives) dlg.set_drive_mask(*options.drives);
  if (options.cancel_requested) dlg.set_cancel_poll(options.cancel_requested);
  if (options.memory) dlg.set_memory(options.memory);
  if (dlg.DoModal() == IDCANCEL) return IDCANCEL;
  return dlg.all_resolved();
}

}  // namespace mendora
