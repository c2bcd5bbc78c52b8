#pragma once
// The search dialog without its window, and its drive search worker. Before
// anything is walked, the places the run's folder mappings give are tried.
// Then the worker walks the chosen drives folder by folder for files named
// as a missing data file; every DV candidate that holds the frames of its
// link (the content check) is offered through the found similar file
// dialog, and what the walk does not find is located by hand. A file
// accepted or located in another folder teaches the run a folder mapping,
// through which the other missing links are tried at once (one question
// box for them all). The dialog hands back a replacement path and a found
// flag per missing link.
//
// The walk goes through the run's memory: what earlier searches of the run
// met is offered from there in walk order, and the walk of a drive goes on
// where the last one stopped, so that a run reads each drive once.
//
// Threads: DoModal runs on the user-interface thread and handles the
// messages the worker posts (a found record, the folder text) and the
// dialog's buttons, with a timer that polls for the worker's end. The worker
// never calls the SearchUi; it blocks on the reply event while a found
// record is being answered. Stop and recheck flags travel the other way and
// are changed only while the gate event is closed.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/event.h"
#include "search/RunMemory.h"
#include "search/SearchQueue.h"
#include "search/SearchUi.h"

namespace mendora {

class DriveSearch {
 public:
  // The text of the message box shown when the walk leaves files unfound.
  static constexpr const char kFileNotFound[] = "File Not Found\n";

  // `missing_links` are the recorded full paths of the missing data files;
  // `found_paths` and `found_flags` get one entry per missing link (they are
  // grown to `missing_count` when shorter). All three belong to the caller and
  // must outlive the dialog. Reads Directory, Filter and the search drives.
  DriveSearch(const std::string& avi_name, const std::vector<std::string>& missing_links,
             std::vector<std::string>* found_paths, int missing_count, std::vector<int>* found_flags,
             SearchServices services, SearchUi& ui);
  ~DriveSearch();
  DriveSearch(const DriveSearch&) = delete;
  DriveSearch& operator=(const DriveSearch&) = delete;

  // Runs the search: IDOK when every missing link has been resolved, IDCANCEL
  // when the user gave up (the paths accepted so far stay filled in).
  int DoModal();
  // 1 unless the user cancelled or a manual location was cancelled.
  int all_resolved() const { return all_resolved_; }

  // Running under a window instead of DoModal: Begin() starts the worker,
  // whose every message is queued and then announced through `notify` (on
  // the worker's thread; the window posts itself WM_APP+1 or WM_APP+2). The
  // window then calls HandlePending(); Tick() is its timer, Press(id) its
  // buttons. When ended() it closes with result().
  void set_notify(std::function<void(SearchMessage::Kind)> notify) { notify_ = std::move(notify); }
  void Begin() { OnInitDialog(); }
  void HandlePending();
  void Tick();
  void Press(int id);
  bool ended() const { return ended_; }
  int result() const { return result_; }

  // Presses a button of the dialog (IDOK is "Reference", IDCANCEL "Cancel").
  // Any thread; the press is handled in turn with the worker's messages.
  void PostButton(int id);

  // Asked at every timer tick; true acts as the Cancel button (the console
  // tool's Ctrl-C).
  void set_cancel_poll(std::function<bool()> poll) { cancel_poll_ = std::move(poll); }

  // The run's memory (walks and folder mappings), before DoModal. Without
  // one the search keeps its own, which walks every drive itself.
  void set_memory(RunMemory* memory) { memory_ = memory != nullptr ? memory : own_memory_.get(); }

  // The poll period of the timer that watches for the worker's end.
  void set_timer_period(std::chrono::milliseconds period) { timer_period_ = period; }

  // The drives the walk covers: the search drives, with the drive of the
  // Directory setting when that folder exists. Bit 0 is drive A.
  uint32_t drive_mask() const { return drive_mask_; }
  // Replaces the drives for this run (the console tool's --drives), before
  // DoModal. A mask of 0 walks drives A and C.
  void set_drive_mask(uint32_t mask) { drive_mask_ = mask; }

  const std::string& caption() const { return caption_; }          // IDS_SEARCH_CAPTION
  const std::string& heading() const { return heading_; }          // IDS_SEARCH_HEADING
  const std::string& folder_label() const { return folder_label_; }  // IDS_SEARCH_FOLDER_LABEL
  const std::string& missing_list_text() const { return missing_list_; }
  const std::string& current_folder() const { return current_folder_; }

 private:
  // User-interface thread.
  void OnInitDialog();
  void Dispatch(const SearchMessage& message);
  void OnFoundRecord(int index, const std::string& candidate);
  void OnFolderText(const std::string& folder);
  void OnTimer();
  void OnReference();
  void OnCancel();
  void StopWorker();
  bool LocateAllManually();
  void ResolveBeforeWalk();
  void LearnFrom(int index, const std::string& path);
  void ResolveThroughMappings();
  void Take(int index, const std::string& path);
  void RefreshMissingList();
  void EndDialog(int result);

  // Worker thread.
  void SearchThreadProc();
  void ReplayDrive(int drive, const std::string& root);
  void WalkDrive(int drive, WalkMemory::Walk& walk, bool record);
  void OfferFile(const std::string& name, const std::string& path);
  void PostFolder(const std::string& folder);
  bool GatePasses();
  bool MayGoOn();
  bool AnyUnresolved() const;
  void PostToDialog(SearchMessage message);

  SearchServices services_;
  SearchUi& ui_;
  std::string avi_name_;
  const std::vector<std::string>& missing_links_;
  std::vector<std::string> missing_names_;
  std::vector<std::string>* found_paths_;
  std::vector<int>* found_flags_;
  int missing_count_;
  int all_resolved_ = 1;
  std::unique_ptr<RunMemory> own_memory_;
  RunMemory* memory_;

  std::string directory_;
  int filter_ = 1;
  uint32_t drive_mask_ = 0;

  // Shared with the worker. The found flags and paths are written only on the
  // user-interface thread while the worker waits on the reply event or has
  // ended.
  std::atomic<int> stop_{0};
  std::atomic<int> recheck_{0};
  Event gate_{true};
  Event reply_{true};
  Event worker_ended_{false};
  WorkerThread worker_;
  SearchQueue queue_;
  std::function<void(SearchMessage::Kind)> notify_;

  std::string caption_;
  std::string heading_;
  std::string folder_label_;
  std::string missing_list_;
  std::string current_folder_;

  std::function<bool()> cancel_poll_;
  std::chrono::milliseconds timer_period_{100};
  bool timer_on_ = false;
  bool stopped_ = false;
  bool ended_ = false;
  int result_ = 2;  // IDCANCEL
};

// The search as the operation driver calls it.
struct SearchOptions {
  // Drives to walk instead of those of the settings, for this run only.
  std::optional<uint32_t> drives;
  // Polled while the search runs; true cancels it.
  std::function<bool()> cancel_requested;
  // The run's memory, shared by the searches of one run.
  RunMemory* memory = nullptr;
};

// Runs the search dialog for the missing links of one reference AVI.
// `found` and `found_flags` get one entry per missing link. Returns IDCANCEL
// when the user gave up, otherwise the all-resolved flag (1 when every link
// got a replacement path).
int SearchMissingFiles(const std::string& avi_name, const std::vector<std::string>& missing,
                       std::vector<std::string>& found, std::vector<int>& found_flags, SearchServices services,
                       SearchUi& ui, const SearchOptions& options = {});

}  // namespace mendora
