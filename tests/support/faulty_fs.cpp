#include "support/faulty_fs.h"

#include "platform/last_error.h"

namespace mendora {
namespace {

// An open file whose reads and writes can fail on plan.
class FaultyFile : public File {
 public:
  FaultyFile(std::unique_ptr<File> inner, FaultyFileSystem& owner) : inner_(std::move(inner)), owner_(owner) {}

  size_t Read(void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kRead)) return 0;
    return inner_->Read(buffer, n);
  }
  size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kRead)) return 0;
    return inner_->ReadAt(offset, buffer, n);
  }
  size_t Write(const void* buffer, size_t n) override {
    if (owner_.ShouldFail(FaultKind::kWrite)) return 0;
    return inner_->Write(buffer, n);
  }
  bool Seek(uint64_t offset) override { return inner_->Seek(offset); }
  uint64_t Tell() override { return inner_->Tell(); }
  bool Size(uint64_t* size) override {
    if (owner_.ShouldFail(FaultKind::kSize)) return false;
    return inner_->Size(size);
  }
  bool SetEnd() override {
    if (owner_.ShouldFail(FaultKind::kWrite)) return false;
    return inner_->SetEnd();
  }
  bool Flush() override {
    if (owner_.ShouldFail(FaultKind::kClose)) return false;
    return inner_->Flush();
  }
  // A failed close reports failure; the handle itself goes with the object.
  bool Close() override {
    if (owner_.ShouldFail(FaultKind::kClose)) return false;
    return inner_->Close();
  }

 private:
  std::unique_ptr<File> inner_;
  FaultyFileSystem& owner_;
};

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

void FaultyFileSystem::CrashAt(int n) { crash_at_ = n; }

void FaultyFileSystem::Reset() {
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
    crashed_ = true;
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
  auto file = inner_.Open(path, mode);
  if (!file) return nullptr;
  return std::make_unique<FaultyFile>(std::move(file), *this);
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
  return inner_.Rename(from, to, replace);
}

bool FaultyFileSystem::Move(const std::string& from, const std::string& to) {
  if (ShouldFail(FaultKind::kRename)) return false;
  return inner_.Move(from, to);
}

bool FaultyFileSystem::Delete(const std::string& path) {
  if (ShouldFail(FaultKind::kDelete)) return false;
  return inner_.Delete(path);
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
