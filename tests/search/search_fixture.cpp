#include "search_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "platform/last_error.h"
#include "platform/wintypes.h"
#include "platform/win_path.h"

namespace mendora::test {

namespace {

std::string Le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

// Passes every call of a listing through the hook.
class HookedFind : public DirFind {
 public:
  HookedFind(std::unique_ptr<DirFind> inner, std::function<void(const char*, const std::string&)> hook,
             std::string folder)
      : inner_(std::move(inner)), hook_(std::move(hook)), folder_(std::move(folder)) {}
  bool Next(DirEntry* entry) override {
    if (hook_) hook_("Next", folder_);
    return inner_->Next(entry);
  }

 private:
  std::unique_ptr<DirFind> inner_;
  std::function<void(const char*, const std::string&)> hook_;
  std::string folder_;
};

}  // namespace

RootedFs::~RootedFs() {
#ifdef _WIN32
  // The walk leaves the process in a test folder, which Windows would not let
  // the test drives remove.
  drives_.fs().SetCurrentDir("C:\\");
#endif
}

bool RootedFs::Map(const std::string& path, std::string* real) const {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char letter = static_cast<char>('A' + DriveIndex(path[0]));
  if (letter != 'C' && letter != 'D' && letter != 'E') return false;
  *real = drives_.Root(letter) + path.substr(3);
  return true;
}

#define ROOTED_OR(path, real, fail)             \
  std::string real;                             \
  if (!Map(path, &real)) {                      \
    SetLastSystemError(kErrorPathNotFound);     \
    return fail;                                \
  }

std::unique_ptr<File> RootedFs::Open(const std::string& path, OpenMode mode) {
  Called("Open", path);
  ROOTED_OR(path, real, nullptr);
  return drives_.fs().Open(real, mode);
}
bool RootedFs::Exists(const std::string& path) {
  Called("Exists", path);
  ROOTED_OR(path, real, false);
  return drives_.fs().Exists(real);
}
uint32_t RootedFs::GetAttributes(const std::string& path) {
  ROOTED_OR(path, real, kInvalidAttributes);
  return drives_.fs().GetAttributes(real);
}
bool RootedFs::SetAttributes(const std::string& path, uint32_t attributes) {
  ROOTED_OR(path, real, false);
  return drives_.fs().SetAttributes(real, attributes);
}
bool RootedFs::GetSize(const std::string& path, uint64_t* size) {
  ROOTED_OR(path, real, false);
  return drives_.fs().GetSize(real, size);
}
AccessResult RootedFs::Access(const std::string& path, bool write) {
  ROOTED_OR(path, real, AccessResult::kNotFound);
  return drives_.fs().Access(real, write);
}
bool RootedFs::Identity(const std::string& path, FileIdentity* id) {
  ROOTED_OR(path, real, false);
  return drives_.fs().Identity(real, id);
}
bool RootedFs::Rename(const std::string& from, const std::string& to, bool replace) {
  ROOTED_OR(from, real_from, false);
  ROOTED_OR(to, real_to, false);
  return drives_.fs().Rename(real_from, real_to, replace);
}
bool RootedFs::Move(const std::string& from, const std::string& to) {
  ROOTED_OR(from, real_from, false);
  ROOTED_OR(to, real_to, false);
  return drives_.fs().Move(real_from, real_to);
}
bool RootedFs::Delete(const std::string& path) {
  ROOTED_OR(path, real, false);
  return drives_.fs().Delete(real);
}
bool RootedFs::CreateDir(const std::string& path) {
  ROOTED_OR(path, real, false);
  return drives_.fs().CreateDir(real);
}
bool RootedFs::RemoveDir(const std::string& path) {
  ROOTED_OR(path, real, false);
  return drives_.fs().RemoveDir(real);
}
std::unique_ptr<DirFind> RootedFs::Find(const std::string& folder) {
  Called("Find", folder);
  ROOTED_OR(folder, real, nullptr);
  auto inner = drives_.fs().Find(real);
  if (!inner) return nullptr;
  return std::make_unique<HookedFind>(std::move(inner), on_call, folder);
}
std::unique_ptr<DirFind> RootedFs::FindNames(const std::string& folder) {
  Called("Find", folder);
  ROOTED_OR(folder, real, nullptr);
  auto inner = drives_.fs().FindNames(real);
  if (!inner) return nullptr;
  return std::make_unique<HookedFind>(std::move(inner), on_call, folder);
}
bool RootedFs::SetCurrentDir(const std::string& path) {
  Called("SetCurrentDir", path);
  std::string full = path;
  if (full.size() == 2 && full[1] == ':') full += '\\';
  ROOTED_OR(full, real, false);
  if (!drives_.fs().SetCurrentDir(real)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = path;
  return true;
}
std::string RootedFs::GetCurrentDir() {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}
uint32_t RootedFs::LogicalDrives() { return (1u << 2) | (1u << 3) | (1u << 4); }

std::string DvBytes() { return "00db" + Le32(8) + std::string(8, '\x1f'); }

std::string WaveBytes() {
  const std::string fmt = "fmt " + Le32(16) + std::string(16, '\0');
  const std::string data = "data" + Le32(4) + std::string(4, '\0');
  return "RIFF" + Le32(static_cast<uint32_t>(4 + fmt.size() + data.size())) + "WAVE" + fmt + data;
}

DvProbeFn MakeProbe(FileSystem& fs) { return MakeDvProbe(fs); }

FoundButton ScriptUi::AskFound(const FoundChoice& dlg) {
  offers.push_back({dlg.missing_text(), dlg.candidate()});
  events.push_back("offer");
  if (on_found) on_found(dlg);
  if (found_answers.empty()) return default_found;
  const FoundButton answer = found_answers.front();
  found_answers.pop_front();
  return answer;
}

bool ScriptUi::ChooseFile(ManualLocate& dlg, std::string* path, int* filter_index) {
  locates.push_back({dlg.missing_name(), dlg.initial_folder(), dlg.file_name()});
  events.push_back("locate");
  for (;;) {
    if (locate_answers.empty()) return false;
    *path = locate_answers.front();
    locate_answers.pop_front();
    *filter_index = filter_answer;
    if (path->empty()) return false;
    if (!check_in_dialog || dlg.OnFileNameOK(*path, *filter_index)) return true;
    if (dlg.status() == ManualLocate::kNotTheFrames) ShowNotTheFrames(dlg.not_the_frames_text(), dlg.refusal_reason());
    else ShowError(dlg.status());
  }
}

bool ScriptUi::AskUpdateOthers(const std::string& text,
                               const std::vector<std::pair<std::string, std::string>>& places) {
  updates.push_back({text, places});
  events.push_back("update");
  if (update_answers.empty()) return default_update;
  const bool answer = update_answers.front();
  update_answers.pop_front();
  return answer;
}

void ScriptUi::ShowPassedOver(const std::string& candidate, const std::string& missing_link,
                              const std::string& reason) {
  passed_over.push_back({candidate, missing_link, reason});
  events.push_back("passed over");
}

void ScriptUi::ShowNotTheFrames(const std::string& text, const std::string& reason) {
  not_the_frames.push_back(text);
  not_the_frames.push_back(reason);
  events.push_back("not the frames");
}

void ScriptUi::ShowError(int code) {
  errors.push_back(code);
  events.push_back("error");
}

void ScriptUi::ShowMessage(const std::string& text) {
  messages.push_back(text);
  events.push_back("message");
}

void ScriptUi::ShowFolder(const std::string& folder) {
  folders.push_back(folder);
  if (on_folder) on_folder(folder);
}

Watchdog::Watchdog(int seconds, std::string what) {
  thread_ = std::thread([this, seconds, what = std::move(what)] {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
      std::fprintf(stderr, "hung for %d s: %s\n", seconds, what.c_str());
      std::fflush(stderr);
      std::abort();
    }
  });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

}  // namespace mendora::test
