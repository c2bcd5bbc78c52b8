#pragma once
// The search dialog's window (template 137): shows the missing names and the
// folder the drive search worker is walking, with Reference and Cancel. The
// search itself (worker, gate, found records, manual location) is
// DriveSearch; this window runs it: the worker's messages arrive as
// WM_APP+1 (a found record) and WM_APP+2 (a folder), timer 1 watches for the
// worker's end every 100 ms. The questions open the found similar file
// dialog and the manual locate dialog over this window.
#include <string>
#include <vector>

#include "platform/win32/dialog.h"
#include "search/DriveSearch.h"
#include "search/SearchUi.h"

namespace mendora {
class FileSystem;
class SettingsStore;
}  // namespace mendora

namespace mendora::win {

constexpr UINT WM_SEARCH_FOUND = WM_APP + 1;
constexpr UINT WM_SEARCH_FOLDER = WM_APP + 2;
constexpr UINT_PTR kSearchTimer = 1;

class CSearchDlg : public Dialog, public SearchUi {
 public:
  CSearchDlg(const std::string& avi_name, const std::vector<std::string>& missing_links,
             std::vector<std::string>* found_paths, std::vector<int>* found_flags, SearchServices services,
             RunMemory* memory = nullptr, HWND parent = nullptr);

  int all_resolved() const { return search_.all_resolved(); }

  // SearchUi: the search's questions, on this thread.
  FoundButton AskFound(const FoundChoice& dlg) override;
  bool ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) override;
  void ShowError(int code) override;
  void ShowMessage(const std::string& text) override;
  void ShowFolder(const std::string& folder) override;
  void ShowMissingList(const std::string& text) override;
  bool AskUpdateOthers(const std::string& text,
                       const std::vector<std::pair<std::string, std::string>>& places) override;

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int notify_code, HWND control) override;
  bool OnTimer(UINT_PTR timer_id) override;
  bool OnAppMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void CloseWhenEnded();

  SearchServices services_;
  DriveSearch search_;
  std::string heading_;
  std::string missing_list_;
  std::string folder_label_;
  std::string current_folder_;
};

// The search as the operation driver calls it, for the reference AVI at
// `avi_path` (whose frames a candidate must hold: `frames`, as its analysis
// found them, or null to read them) with the run's memory: IDCANCEL when the
// user gave up, otherwise 1 when every missing link was resolved, 0 when not.
int RunSearchDialog(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags, FileSystem& fs,
                    SettingsStore& settings, RunMemory* memory, std::shared_ptr<const ReferenceFrames> frames);

}  // namespace mendora::win
