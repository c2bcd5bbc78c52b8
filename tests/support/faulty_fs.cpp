#include "support/faulty_fs.h"

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/last_error.h"
#include "platform/win_path.h"

namespace mendora {

// What a power loss would leave (see faulty_fs.h), learnt as the calls come:
// a folder is listed when a change first touches it, a file's bytes are read
// when a change first could lose them. A "node" is a file as the disk knows
// it, whatever names it has. A file that loses its last name is renamed to
// a stash in its folder instead, so that one a power loss brings back keeps
// its identity, as on a real disk (a Fix without a backup relies on it).
class PowerModel {
 public:
  explicit PowerModel(FileSystem& inner) : inner_(inner) {}

  // Opens `path` for writing through `open`; *node gets the file's node.
  std::unique_ptr<File> OpenForWrite(const std::string& path, const std::function<std::unique_ptr<File>()>& open,
                                     int* node) {
    std::lock_guard<std::mutex> lock(mutex_);
    Touch(FolderKey(path));
    const auto it = live_.find(path);
    if (it != live_.end()) Keep(it->second);  // about to be cut to nothing
    auto file = open();
    if (!file) return nullptr;
    *node = it != live_.end() ? it->second : (live_[path] = NewNode(true));
    return file;
  }

  // A rename, or a Move: across drives a new file that nobody flushed.
  bool Rename(const std::string& from, const std::string& to, bool replace, bool copy,
              const std::function<bool()>& op) {
    std::lock_guard<std::mutex> lock(mutex_);
    Touch(FolderKey(from));
    Touch(FolderKey(to));
    const auto source = live_.find(from);
    auto target = live_.find(to);
    if (source == live_.end() || to == from) return op();
    if (copy) Keep(source->second);
    int replaced = -1;
    if (target != live_.end()) {
      if (!replace || ReadOnly(to)) return op();  // refused as it should be
      replaced = target->second;
      if (!Unlink(to)) return false;
    }
    if (!op()) {
      if (replaced >= 0) Relink(replaced, to);
      return false;
    }
    const int node = copy ? NewNode(true) : source->second;
    live_.erase(from);
    live_[to] = node;
    return true;
  }

  bool Delete(const std::string& path, const std::function<bool()>& op) {
    std::lock_guard<std::mutex> lock(mutex_);
    Touch(FolderKey(path));
    if (live_.count(path) == 0 || ReadOnly(path)) return op();
    return Unlink(path);
  }

  // `bytes` are what the file holds now, as its writer saw them: reading
  // them back by name would fail on Windows while the writer has the file
  // open without write sharing.
  void FileFlushed(int node, const std::string& bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (WhereIs(node).empty()) return;
    Node& n = nodes_[static_cast<size_t>(node)];
    n.kept = true;
    n.bytes = bytes;
  }

  void FolderFlushed(const std::string& folder) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string key = WinPath().WithoutSeparator(folder);
    Touch(key);
    auto& names = durable_[key];
    names.clear();
    for (const auto& [path, node] : live_)
      if (FolderKey(path) == key) names[path] = node;
  }

  // Puts every folder a change touched back to what was flushed.
  void Restore() {
    std::lock_guard<std::mutex> lock(mutex_);
    // Every file the disk keeps goes to a stash first, freeing the names.
    for (const auto& [key, names] : durable_)
      for (const auto& [path, node] : names) {
        Node& n = nodes_[static_cast<size_t>(node)];
        const std::string now = WhereIs(node);
        if (!n.kept) {
          n.bytes = now.empty() ? std::string() : ReadInner(now);
          n.kept = true;
        }
        if (!n.stash.empty() || now.empty()) continue;
        n.stash = NewStash(now);
        inner_.Rename(now, n.stash, false);
        live_.erase(now);
      }
    for (const auto& [key, names] : durable_) {
      auto find = inner_.Find(key);
      DirEntry entry;
      std::vector<std::string> present;
      while (find && find->Next(&entry))
        if ((entry.attributes & kAttrDirectory) == 0) present.push_back(WinPath().Join(key, entry.name));
      find.reset();
      for (const std::string& path : present)
        if (stashes_.count(path) == 0) RemoveInner(path);
    }
    std::set<int> placed;
    for (const auto& [key, names] : durable_)
      for (const auto& [path, node] : names) {
        Node& n = nodes_[static_cast<size_t>(node)];
        if (!n.stash.empty() && placed.insert(node).second) inner_.Rename(n.stash, path, false);
        auto file = inner_.Open(path, OpenMode::kCreateWrite);
        if (!file && inner_.SetAttributes(path, kAttrNormal)) file = inner_.Open(path, OpenMode::kCreateWrite);
        if (file) file->Write(n.bytes.data(), n.bytes.size());
      }
    for (size_t node = 0; node < nodes_.size(); ++node)
      if (!nodes_[node].stash.empty() && placed.count(static_cast<int>(node)) == 0) RemoveInner(nodes_[node].stash);
    nodes_.clear();
    live_.clear();
    durable_.clear();
    stashes_.clear();
  }

 private:
  struct Node {
    bool kept = false;  // `bytes` are what the disk holds; else the file's bytes now
    std::string bytes;
    std::string stash;  // where the file waits while it has no name
  };

  static std::string FolderKey(const std::string& path) {
    const WinPath paths;
    return paths.WithoutSeparator(paths.Folder(path));
  }

  int NewNode(bool empty) {
    nodes_.push_back(Node{empty, std::string(), std::string()});
    return static_cast<int>(nodes_.size() - 1);
  }

  std::string NewStash(const std::string& path) {
    const std::string stash = WinPath().Join(FolderKey(path), "~power~" + std::to_string(stashes_.size()));
    stashes_.insert(stash);
    return stash;
  }

  // The name goes; the file waits in a stash.
  bool Unlink(const std::string& path) {
    const int node = live_[path];
    const std::string stash = NewStash(path);
    if (!inner_.Rename(path, stash, false)) return false;
    nodes_[static_cast<size_t>(node)].stash = stash;
    live_.erase(path);
    return true;
  }
  void Relink(int node, const std::string& path) {
    Node& n = nodes_[static_cast<size_t>(node)];
    if (!inner_.Rename(n.stash, path, false)) return;
    n.stash.clear();
    live_[path] = node;
  }

  bool ReadOnly(const std::string& path) {
    const uint32_t attributes = inner_.GetAttributes(path);
    return attributes != kInvalidAttributes && (attributes & kAttrReadOnly) != 0;
  }

  void RemoveInner(const std::string& path) {
    if (!inner_.Delete(path) && inner_.SetAttributes(path, kAttrNormal)) inner_.Delete(path);
  }

  // Lists the folder the first time: its names now are what the disk holds.
  void Touch(const std::string& key) {
    if (durable_.count(key) != 0) return;
    auto& names = durable_[key];
    auto find = inner_.Find(key);
    DirEntry entry;
    while (find && find->Next(&entry)) {
      if ((entry.attributes & kAttrDirectory) != 0) continue;
      const std::string path = WinPath().Join(key, entry.name);
      names[path] = live_[path] = NewNode(false);
    }
  }

  // Before a change that could lose the bytes the disk holds for `node`.
  void Keep(int node) {
    Node& n = nodes_[static_cast<size_t>(node)];
    if (n.kept) return;
    const std::string path = WhereIs(node);
    n.bytes = path.empty() ? std::string() : ReadInner(path);
    n.kept = true;
  }

  // The file's name now, else its stash; empty when it is gone.
  std::string WhereIs(int node) const {
    for (const auto& [path, n] : live_)
      if (n == node) return path;
    return nodes_[static_cast<size_t>(node)].stash;
  }

  std::string ReadInner(const std::string& path) {
    auto file = inner_.Open(path, OpenMode::kRead);
    uint64_t size = 0;
    if (!file || !file->Size(&size)) return std::string();
    std::string bytes(static_cast<size_t>(size), '\0');
    bytes.resize(size != 0 ? file->Read(bytes.data(), bytes.size()) : 0);
    return bytes;
  }

  FileSystem& inner_;
  std::mutex mutex_;
  std::vector<Node> nodes_;
  std::map<std::string, int> live_;                             // names now
  std::map<std::string, std::map<std::string, int>> durable_;  // per folder, names on the disk
  std::set<std::string> stashes_;
};

namespace {
class FaultyFile;
}  // namespace

// The files a FaultyFileSystem has handed out and that still exist, so that
// a crash can close them all. A file's calls and its closing here are
// serialised by the file's own lock: the crash may come on another thread.
class OpenFiles {
 public:
  void Add(FaultyFile* file) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.insert(file);
  }
  void Remove(FaultyFile* file) {
    std::lock_guard<std::mutex> lock(mutex_);
    files_.erase(file);
  }
  void CloseAll();

 private:
  std::mutex mutex_;
  std::set<FaultyFile*> files_;
};

namespace {

// An open file whose reads and writes can fail on plan. Each call asks
// ShouldFail before it takes the lock, since the crash that call may start
// closes this file too.
class FaultyFile : public File {
 public:
  FaultyFile(std::unique_ptr<File> inner, FaultyFileSystem& owner, std::shared_ptr<OpenFiles> open,
             std::shared_ptr<PowerModel> power = nullptr, int node = -1)
      : inner_(std::move(inner)), owner_(owner), open_(std::move(open)), power_(std::move(power)), node_(node) {
    open_->Add(this);
  }
  ~FaultyFile() override { open_->Remove(this); }

  // The process is gone: its handle is closed, whatever still holds this.
  void CloseForCrash() {
    std::lock_guard<std::mutex> lock(mutex_);
    inner_->Close();
  }

  size_t Read(void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kRead)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->Read(buffer, n);
  }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kRead)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->ReadAt(offset, buffer, n);
  }
  size_t Write(const void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kWrite)) return 0;
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t at = inner_->Tell();
    const size_t done = inner_->Write(buffer, n);
    if (node_ >= 0 && done != 0) {
      if (bytes_.size() < at + done) bytes_.resize(at + done, '\0');
      bytes_.replace(at, done, static_cast<const char*>(buffer), done);
    }
    return done;
  }
  bool Seek(uint64_t offset) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->Seek(offset);
  }
  uint64_t Tell() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->Tell();
  }
  bool Size(uint64_t* size) override {
    if (owner_.ShouldFail(FaultKind::kSize)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->Size(size);
  }
  bool SetEnd() override {
    if (owner_.ShouldFail(FaultKind::kWrite)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!inner_->SetEnd()) return false;
    if (node_ >= 0) bytes_.resize(inner_->Tell(), '\0');
    return true;
  }
  bool Flush() override {
    if (owner_.ShouldFail(FaultKind::kClose)) return false;
    // While the model stands for the disk, a real fsync would only cost time.
    if (power_) {
      if (node_ >= 0) power_->FileFlushed(node_, bytes_);
      return true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    return inner_->Flush();
  }
  // A failed close reports failure with its error, and the file is closed
  // all the same, as a real handle is.
  bool Close() override {
    const bool fail = owner_.ShouldFail(FaultKind::kClose);
    const uint32_t error = GetLastSystemError();
    std::lock_guard<std::mutex> lock(mutex_);
    const bool closed = inner_->Close();
    if (!fail) return closed;
    SetLastSystemError(error);
    return false;
  }

 private:
  std::unique_ptr<File> inner_;
  FaultyFileSystem& owner_;
  std::shared_ptr<OpenFiles> open_;
  std::mutex mutex_;
  std::shared_ptr<PowerModel> power_;
  int node_;
  std::string bytes_;  // with a node: the file's bytes, as written through here (it opened empty)
};

}  // namespace

void OpenFiles::CloseAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (FaultyFile* file : files_) file->CloseForCrash();
}

namespace {

bool OneDrive(const std::string& a, const std::string& b) {
  return a.size() >= 2 && b.size() >= 2 && a[1] == ':' && b[1] == ':' && (a[0] & ~0x20) == (b[0] & ~0x20);
}

// A listing whose entries stop coming after a crash.
class FaultyFind : public DirFind {
 public:
  FaultyFind(std::unique_ptr<DirFind> inner, FaultyFileSystem& owner) : inner_(std::move(inner)), owner_(owner) {}
  bool Next(DirEntry* entry) override {
    if (owner_.ShouldFail(FaultKind::kFind)) return false;
    return inner_->Next(entry);
  }

 private:
  std::unique_ptr<DirFind> inner_;
  FaultyFileSystem& owner_;
};

}  // namespace

const char* FaultKindName(FaultKind kind) {
  switch (kind) {
    case FaultKind::kOpen: return "open";
    case FaultKind::kCreate: return "create";
    case FaultKind::kRead: return "read";
    case FaultKind::kWrite: return "write";
    case FaultKind::kRename: return "rename";
    case FaultKind::kDelete: return "delete";
    case FaultKind::kAttributes: return "attributes";
    case FaultKind::kClose: return "close";
    case FaultKind::kSize: return "size";
    case FaultKind::kFind: return "find";
    case FaultKind::kExists: return "exists";
    case FaultKind::kCount: break;
  }
  return "?";
}

void FaultyFileSystem::FailNth(FaultKind kind, int n, uint32_t error, bool sticky) {
  plan_error_ = error;
  plan_n_ = n;
  plan_sticky_ = sticky;
  plan_kind_ = static_cast<int>(kind);
}

FaultyFileSystem::FaultyFileSystem(FileSystem& inner) : inner_(inner), open_(std::make_shared<OpenFiles>()) {}
FaultyFileSystem::~FaultyFileSystem() = default;

void FaultyFileSystem::CrashAt(int n, CrashKind kind) {
  power_loss_ = kind == CrashKind::kPowerLoss;
  power_ = power_loss_ ? std::make_shared<PowerModel>(inner_) : nullptr;
  crash_at_ = n;
}

void FaultyFileSystem::LosePower() {
  crashed_ = true;
  fired_ = true;
  open_->CloseAll();
  if (power_) power_->Restore();
}

void FaultyFileSystem::Reset() {
  power_.reset();
  power_loss_ = false;
  plan_kind_ = -1;
  plan_n_ = -1;
  crash_at_ = -1;
  fired_ = false;
  crashed_ = false;
  total_ = 0;
  for (auto& count : calls_) count = 0;
}

bool FaultyFileSystem::ShouldFail(FaultKind kind) {
  const int index = calls_[static_cast<int>(kind)].fetch_add(1);
  const int total = total_.fetch_add(1);
  const int crash_at = crash_at_.load();
  if (crashed_.load() || (crash_at >= 0 && total >= crash_at)) {
    if (!crashed_.exchange(true)) {
      if (power_loss_.load()) LosePower();
      else open_->CloseAll();
    }
    fired_ = true;
    SetLastSystemError(kErrorNotReady);
    return true;
  }
  if (plan_kind_.load() != static_cast<int>(kind)) return false;
  const int n = plan_n_.load();
  if (index == n || (plan_sticky_.load() && n >= 0 && index > n)) {
    fired_ = true;
    SetLastSystemError(plan_error_.load());
    return true;
  }
  return false;
}

std::unique_ptr<File> FaultyFileSystem::Open(const std::string& path, OpenMode mode) {
  const bool create = mode == OpenMode::kCreateWrite || mode == OpenMode::kCreateNewWrite;
  if (ShouldFail(create ? FaultKind::kCreate : FaultKind::kOpen)) return nullptr;
  if (create && power_) {
    int node = -1;
    auto file = power_->OpenForWrite(path, [&] { return inner_.Open(path, mode); }, &node);
    if (!file) return nullptr;
    return std::make_unique<FaultyFile>(std::move(file), *this, open_, power_, node);
  }
  auto file = inner_.Open(path, mode);
  if (!file) return nullptr;
  return std::make_unique<FaultyFile>(std::move(file), *this, open_);
}

bool FaultyFileSystem::Exists(const std::string& path) {
  if (ShouldFail(FaultKind::kExists)) return false;
  return inner_.Exists(path);
}

uint32_t FaultyFileSystem::GetAttributes(const std::string& path) {
  if (ShouldFail(FaultKind::kAttributes)) return kInvalidAttributes;
  return inner_.GetAttributes(path);
}

bool FaultyFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  if (ShouldFail(FaultKind::kAttributes)) return false;
  return inner_.SetAttributes(path, attributes);
}

bool FaultyFileSystem::GetSize(const std::string& path, uint64_t* size) {
  if (ShouldFail(FaultKind::kAttributes)) return false;
  return inner_.GetSize(path, size);
}

AccessResult FaultyFileSystem::Access(const std::string& path, bool write) { return inner_.Access(path, write); }

bool FaultyFileSystem::Identity(const std::string& path, FileIdentity* id) {
  if (ShouldFail(FaultKind::kAttributes)) return false;
  return inner_.Identity(path, id);
}

bool FaultyFileSystem::Rename(const std::string& from, const std::string& to, bool replace) {
  if (ShouldFail(FaultKind::kRename)) return false;
  if (power_) return power_->Rename(from, to, replace, false, [&] { return inner_.Rename(from, to, replace); });
  return inner_.Rename(from, to, replace);
}

bool FaultyFileSystem::Move(const std::string& from, const std::string& to) {
  if (ShouldFail(FaultKind::kRename)) return false;
  if (power_) return power_->Rename(from, to, false, !OneDrive(from, to), [&] { return inner_.Move(from, to); });
  return inner_.Move(from, to);
}

bool FaultyFileSystem::Delete(const std::string& path) {
  if (ShouldFail(FaultKind::kDelete)) return false;
  if (power_) return power_->Delete(path, [&] { return inner_.Delete(path); });
  return inner_.Delete(path);
}

bool FaultyFileSystem::FlushFolder(const std::string& folder) {
  if (ShouldFail(FaultKind::kClose)) return false;
  if (!power_) return inner_.FlushFolder(folder);
  power_->FolderFlushed(folder);
  return true;
}

bool FaultyFileSystem::CreateDir(const std::string& path) {
  if (ShouldFail(FaultKind::kCreate)) return false;
  return inner_.CreateDir(path);
}

bool FaultyFileSystem::RemoveDir(const std::string& path) {
  if (ShouldFail(FaultKind::kDelete)) return false;
  return inner_.RemoveDir(path);
}

std::unique_ptr<DirFind> FaultyFileSystem::Find(const std::string& folder) {
  if (ShouldFail(FaultKind::kFind)) return nullptr;
  auto find = inner_.Find(folder);
  if (!find) return nullptr;
  return std::make_unique<FaultyFind>(std::move(find), *this);
}

std::unique_ptr<DirFind> FaultyFileSystem::FindNames(const std::string& folder) {
  if (ShouldFail(FaultKind::kFind)) return nullptr;
  auto find = inner_.FindNames(folder);
  if (!find) return nullptr;
  return std::make_unique<FaultyFind>(std::move(find), *this);
}
bool FaultyFileSystem::SetCurrentDir(const std::string& path) { return inner_.SetCurrentDir(path); }
std::string FaultyFileSystem::GetCurrentDir() { return inner_.GetCurrentDir(); }
uint32_t FaultyFileSystem::LogicalDrives() { return inner_.LogicalDrives(); }

}  // namespace mendora
