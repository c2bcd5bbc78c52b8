#include "search/DriveSearch.h"

#include <algorithm>

#include "common/CommonFunc.h"
#include "common/Texts.h"
#include "common/Types.h"
#include "platform/fs.h"
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

// The text after the last backslash, or the whole path when it has none.
std::string FileNameOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

DvProbeFn MakeDvProbe(FileSystem& fs) {
  return [&fs](const std::string& path) { return ProbeDvFile(fs, path); };
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
    missing_names_.push_back(FileNameOf(missing_links_[i]));
    missing_list_ += missing_names_.back();
    if (i != missing_count_ - 1) missing_list_ += '\n';
  }
  caption_ = LoadText(IDS_SEARCH_CAPTION);
  ui_.ShowMissingList(missing_list_);

  gate_.Set();
  reply_.Set();
  worker_ended_.Reset();
  // The flags are cleared before the worker starts, not by the worker: a
  // button pressed before it runs must not be undone.
  stop_.store(0);
  recheck_.store(0);
  stopped_ = false;
  ended_ = false;
  worker_.Start([this] {
    // Set however the walk ends, a throw included: a stop waits for it.
    struct EndSignal {
      Event& ended;
      ~EndSignal() { ended.Set(); }
    } end_signal{worker_ended_};
    SearchThreadProc();
  });
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
  }
}

void DriveSearch::OnFoundRecord(int index, const std::string& candidate) {
  // After a stop nobody is asked: the worker is released (or has ended).
  if (stopped_ || ended_ || index < 0 || index >= missing_count_ || (*found_flags_)[index] == 1) {
    reply_.Set();
    return;
  }
  FoundChoice dlg(missing_links_[index], candidate, &(*found_paths_)[index], &(*found_flags_)[index]);
  const int answer = dlg.DoModal(ui_);
  if (answer == IDOK) {
    RefreshMissingList();
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
  if (!worker_.HasEnded()) return;
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
    if ((*found_flags_)[i] != 0) continue;
    ManualLocate dlg(avi_name_, missing_names_[i], &(*found_paths_)[i], &(*found_flags_)[i], services_);
    if (dlg.DoModal(ui_) != IDOK) {
      all_resolved_ = 0;
      return false;
    }
    RefreshMissingList();
  }
  return true;
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
  for (int i = 0; i <= kLastDriveIndex && MayGoOn(); ++i) {
    if ((mask & (1u << i)) == 0) continue;
    const std::string root{static_cast<char>('A' + i), ':', '\\'};
    // A drive that cannot be entered (absent, no medium) is skipped.
    if (services_.fs.SetCurrentDir(root)) SearchFolder(root);
  }
}

void DriveSearch::SearchFolder(const std::string& folder) {
  {
    SearchMessage message;
    message.kind = SearchMessage::kFolderText;
    message.text = folder;
    PostToDialog(std::move(message));
  }
  std::unique_ptr<DirFind> find = services_.fs.FindNames(folder);
  if (!find) return;
  std::string root = folder;
  while (!root.empty() && root.back() == '\\') root.pop_back();

  DirEntry entry;
  while (MayGoOn() && find->Next(&entry)) {
    if (entry.name == "." || entry.name == "..") continue;
    // Paths are held in 260-character buffers: a longer one is neither walked
    // nor offered.
    if (root.size() + 1 + entry.name.size() >= static_cast<size_t>(kMaxPath)) continue;
    const std::string path = root + "\\" + entry.name;
    // Links, junctions and other reparse points are not followed, so a loop
    // in the tree cannot trap the walk.
    if ((entry.attributes & kAttrDirectory) && !(entry.attributes & kAttrReparsePoint) && stop_.load() == 0)
      SearchFolder(path);

    for (int d = 0; d < missing_count_ && stop_.load() == 0 && GatePasses(); ++d) {
      if ((*found_flags_)[d] == 1) continue;
      if (!GatePasses() || recheck_.load() != 0 || stop_.load() != 0) break;
      if (entry.name != missing_names_[d]) continue;
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
      // One file is offered for at most one missing link.
      break;
    }
  }
}

int SearchMissingFiles(const std::string& avi_name, const std::vector<std::string>& missing,
                       std::vector<std::string>& found, std::vector<int>& found_flags, SearchServices services,
                       SearchUi& ui, const SearchOptions& options) {
  DriveSearch dlg(avi_name, missing, &found, static_cast<int>(missing.size()), &found_flags, std::move(services), ui);
  if (options.drives) dlg.set_drive_mask(*options.drives);
  if (options.cancel_requested) dlg.set_cancel_poll(options.cancel_requested);
  if (dlg.DoModal() == IDCANCEL) return IDCANCEL;
  return dlg.all_resolved();
}

}  // namespace mendora
