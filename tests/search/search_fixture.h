#pragma once
// What the search tests share: drives C:, D: and E: seen at their roots (so
// that a walk of "C:\" covers only the test's files, natively and under
// Wine), DV and WAVE files, and a user interface that answers from a script.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/settings_store.h"
#include "search/FoundChoice.h"
#include "search/SearchUi.h"
#include "search/ManualLocate.h"
#include "support/test_drives.h"

namespace mendora::test {

// The test drives with each root at "X:\". Other letters do not exist.
// `on_call`, when set, runs at the start of every call the search makes
// (any thread), with the call's name and path.
class RootedFs : public FileSystem {
 public:
  explicit RootedFs(TestDrives& drives) : drives_(drives) {}
  ~RootedFs() override;

  std::function<void(const char* call, const std::string& path)> on_call;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  bool Exists(const std::string& path) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool GetSize(const std::string& path, uint64_t* size) override;
  AccessResult Access(const std::string& path, bool write) override;
  bool Identity(const std::string& path, FileIdentity* id) override;
  bool Rename(const std::string& from, const std::string& to, bool replace) override;
  bool Move(const std::string& from, const std::string& to) override;
  bool Delete(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  bool RemoveDir(const std::string& path) override;
  std::unique_ptr<DirFind> Find(const std::string& folder) override;
  std::unique_ptr<DirFind> FindNames(const std::string& folder) override;
  bool SetCurrentDir(const std::string& path) override;
  std::string GetCurrentDir() override;
  uint32_t LogicalDrives() override;

 private:
  // The real path of a path on a test drive; false for other paths.
  bool Map(const std::string& path, std::string* real) const;
  void Called(const char* call, const std::string& path) {
    if (on_call) on_call(call, path);
  }

  TestDrives& drives_;
  std::mutex mutex_;
  std::string current_;
};

// A plain data file of one DV frame chunk ("00db"), and a WAVE file.
std::string DvBytes();
std::string WaveBytes();

// The DV check the program runs, on the given file system.
DvProbeFn MakeProbe(FileSystem& fs);

// Answers the search's questions from scripts and records what it was shown.
// Every call comes on the dialog's thread.
class ScriptUi : public SearchUi {
 public:
  struct Offer {
    std::string missing_text;
    std::string candidate;
  };
  struct Locate {
    std::string missing_name;
    std::string initial_folder;
    std::string file_name;
  };

  // Answers to found offers, in order; `default_found` when they run out.
  std::deque<FoundButton> found_answers;
  FoundButton default_found = FoundButton::kNext;
  // Choices for the manual locate dialog, in order ("" cancels); cancel when
  // they run out.
  std::deque<std::string> locate_answers;
  int filter_answer = 1;
  // Checks each choice in the dialog as the window's OK handler does (a
  // refused one shows its error and takes the next answer).
  bool check_in_dialog = false;
  // Called for every folder text and every offer, before answering.
  std::function<void(const std::string&)> on_folder;
  std::function<void(const FoundChoice&)> on_found;

  // Answers to the question box of files found through a folder mapping,
  // in order; `default_update` when they run out.
  std::deque<bool> update_answers;
  bool default_update = false;

  struct Update {
    std::string text;
    std::vector<std::pair<std::string, std::string>> places;
  };
  struct PassedOver {
    std::string candidate, missing_link, reason;
  };

  std::vector<Offer> offers;
  std::vector<Locate> locates;
  std::vector<Update> updates;
  std::vector<PassedOver> passed_over;
  std::vector<std::string> not_the_frames;  // the message, then the reason
  std::vector<std::string> messages;
  std::vector<int> errors;
  std::vector<std::string> folders;
  std::string missing_list;
  // Everything shown, in order: "offer", "locate", "message", "error",
  // "update", "passed over", "not the frames".
  std::vector<std::string> events;

  FoundButton AskFound(const FoundChoice& dlg) override;
  bool ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) override;
  void ShowError(int code) override;
  void ShowMessage(const std::string& text) override;
  void ShowFolder(const std::string& folder) override;
  void ShowMissingList(const std::string& text) override { missing_list = text; }
  bool AskUpdateOthers(const std::string& text,
                       const std::vector<std::pair<std::string, std::string>>& places) override;
  void ShowPassedOver(const std::string& candidate, const std::string& missing_link,
                      const std::string& reason) override;
  void ShowNotTheFrames(const std::string& text, const std::string& reason) override;
};

// Aborts the test program when a test has not finished in time: a hung
// worker must fail the run, not stall it.
class Watchdog {
 public:
  explicit Watchdog(int seconds, std::string what);
  ~Watchdog();

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace mendora::test
