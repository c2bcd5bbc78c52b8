#include "operation/MoveMulti.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "operation/FileNames.h"
#include "platform/fs.h"
#include "platform/last_error.h"
#include "platform/win_path.h"
#include "platform/wintypes.h"

namespace mendora {
namespace {

constexpr size_t kMiB = size_t{1} << 20;

std::atomic<BufferAllocator> g_allocate{&std::malloc};

int Percent(uint64_t done, uint64_t total) {
  if (total == 0) return 0;
  // done * 100 cannot overflow for any real file set (below 2^57 bytes).
  return static_cast<int>(done * 100 / total);
}

int WriteFailureCode() { return GetLastSystemError() == kErrorDiskFull ? MM_DISK_FULL : MM_WRITE_FAILURE; }

// Carries one list of files to its targets, copying or moving, and takes
// back what it did when it is cancelled or fails.
class ListCarry {
 public:
  ListCarry(FileSystem& fs, const std::vector<std::string>& sources, const std::vector<std::string>& targets,
         int* code, int* failing_index, ProgressReporter& progress, bool refuse_existing,
         std::vector<std::string>& stranded)
      : fs_(fs), sources_(sources), targets_(targets), code_(code), index_(failing_index),
        progress_(progress), refuse_existing_(refuse_existing), stranded_(stranded) {}

  int CopyFileList();
  int MoveFileList();

 private:
  bool Running() const { return progress_.Running(); }
  void Report(int percent) { progress_.Report(percent); }
  bool SumSizes();
  int CopyCancel(size_t handled);
  void MoveCancel(size_t handled);
  void MoveUndo(size_t failed_at);
  // The undo steps: a failure is recorded with both places, never dropped.
  void PutBack(size_t i) {
    if (!MoveOneFile(fs_, targets_[i], sources_[i])) Strand(i);
  }
  void Remove(size_t i) {
    if (!fs_.Delete(targets_[i])) Strand(i);
  }
  void Strand(size_t i) { stranded_.insert(stranded_.end(), {targets_[i], sources_[i]}); }

  FileSystem& fs_;
  const std::vector<std::string>& sources_;
  const std::vector<std::string>& targets_;
  int* code_;
  int* index_;
  ProgressReporter& progress_;
  bool refuse_existing_;
  std::vector<uint64_t> sizes_;
  uint64_t total_ = 0;
  uint64_t running_bytes_ = 0;
  CopyBuffer buffer_;
  std::vector<bool> created_;  // copy runs: the target of file i was created by us
  std::vector<std::string>& stranded_;
};

bool ListCarry::SumSizes() {
  sizes_.resize(sources_.size());
  total_ = 0;
  for (size_t i = 0; i < sources_.size(); ++i) {
    if (!fs_.GetSize(sources_[i], &sizes_[i])) {
      *index_ = static_cast<int>(i);
      return false;
    }
    total_ += sizes_[i];
  }
  return true;
}

int ListCarry::CopyCancel(size_t handled) {
  for (size_t i = 0; i < handled && i < created_.size(); ++i)
    if (created_[i]) Remove(i);
  *code_ = MM_COPY_CANCELLED;
  return 0;
}

int ListCarry::CopyFileList() {
  *index_ = 0;
  Report(0);
  if (ChooseCopyBufferSize(&buffer_) == 0) {
    *code_ = MM_NO_BUFFER;
    return 0;
  }
  if (!SumSizes()) {
    *code_ = MM_BAD_SOURCE;
    return 0;
  }
  created_.assign(sources_.size(), false);
  for (size_t i = 0; i < sources_.size(); ++i) {
    if (!Running()) return CopyCancel(i);
    bool created = false;
    const int ok = CopyOneFile(fs_, sources_[i], targets_[i], code_, buffer_.data, buffer_.size, total_,
                               &running_bytes_, &progress_, &created);
    created_[i] = created;
    if (!ok) {
      // A failed run takes back what it wrote, partial copy included: the
      // sources are untouched and the destination holds nothing of the run.
      const int failure = *code_;
      CopyCancel(i + 1);
      *code_ = failure;
      *index_ = static_cast<int>(i);
      return 0;
    }
  }
  // Past this point a Cancel is too late: the copies are the result.
  if (!progress_.Commit()) return CopyCancel(sources_.size());
  Report(100);
  *code_ = MM_OK;
  return 1;
}

// Puts the files 0 .. failed_at-1 back, across drives too, so that nothing
// the caller still refers to by its old path stays carried away.
void ListCarry::MoveUndo(size_t failed_at) {
  for (size_t i = failed_at; i-- > 0;) PutBack(i);
}

void ListCarry::MoveCancel(size_t handled) {
  if (handled == 0) return;
  const size_t last = handled - 1;
  // The last file may be a copy whose source is still in place.
  if (!fs_.Exists(sources_[last]))
    PutBack(last);
  else
    Remove(last);
  for (size_t i = last; i-- > 0;) PutBack(i);
}

int ListCarry::MoveFileList() {
  *index_ = 0;
  const bool replace = !refuse_existing_;
  Report(0);
  if (!SumSizes()) {
    *code_ = MM_BAD_SOURCE;
    return 0;
  }
  for (size_t i = 0; i < sources_.size(); ++i) {
    if (!Running()) {
      MoveCancel(i);
      *code_ = MM_OK;
      return 1;
    }
    const std::string& source = sources_[i];
    const std::string& target = targets_[i];
    if (SameVolume(source, target)) {
      if (!fs_.Rename(source, target, replace)) {
        *code_ = WriteFailureCode();
        *index_ = static_cast<int>(i);
        MoveUndo(i);
        return 0;
      }
      // The new name goes to the disk before the old one's removal can:
      // a power loss must never leave the file under neither.
      if (!FlushFolderOf(fs_, target) || !FlushFolderOf(fs_, source)) {
        *code_ = WriteFailureCode();
        *index_ = static_cast<int>(i);
        MoveUndo(i + 1);
        return 0;
      }
      running_bytes_ += sizes_[i];
      Report(Percent(running_bytes_, total_));
      continue;
    }
    if (buffer_.size == 0 && ChooseCopyBufferSize(&buffer_) == 0) {
      *code_ = MM_NO_BUFFER;
      *index_ = static_cast<int>(i);
      MoveUndo(i);
      return 0;
    }
    bool created = false;
    if (!CopyOneFile(fs_, source, target, code_, buffer_.data, buffer_.size, total_, &running_bytes_, &progress_,
                     &created)) {
      const int failure = *code_;
      if (created) Remove(i);  // a partial copy; the source is intact
      MoveUndo(i);
      *code_ = failure;
      *index_ = static_cast<int>(i);
      return 0;
    }
    // The copy's bytes are on the disk (CopyOneFile); its name must be too
    // before the source goes.
    if (Running() && (!FlushFolderOf(fs_, target) || !fs_.Delete(source))) {
      // The source is still whole, so the copy is a duplicate.
      Remove(i);
      MoveUndo(i);
      *code_ = MM_WRITE_FAILURE;
      *index_ = static_cast<int>(i);
      return 0;
    }
    // A deletion that a power loss took back would leave a finished move
    // with its source still there.
    if (Running() && !FlushFolderOf(fs_, source)) {
      MoveUndo(i + 1);
      *code_ = MM_WRITE_FAILURE;
      *index_ = static_cast<int>(i);
      return 0;
    }
  }
  // Past this point a Cancel is too late: the files stay where they went.
  if (!progress_.Commit()) {
    MoveCancel(sources_.size());
    *code_ = MM_OK;
    return 1;
  }
  Report(100);
  *code_ = MM_OK;
  return 1;
}

}  // namespace

CopyBuffer::~CopyBuffer() { std::free(data); }

void SetCopyBufferAllocator(BufferAllocator allocate) { g_allocate = allocate != nullptr ? allocate : &std::malloc; }

size_t ChooseCopyBufferSize(CopyBuffer* buffer) {
  const BufferAllocator allocate = g_allocate.load();
  size_t size = 16 * kMiB;
  for (size_t probe = kMiB; probe <= 32 * kMiB; probe *= 2) {
    void* block = allocate(probe);
    if (block == nullptr) {
      size = probe / 4;
      break;
    }
    std::free(block);
  }
  for (; size > 0; size /= 2) {
    if (void* block = allocate(size)) {
      std::free(buffer->data);
      buffer->data = static_cast<char*>(block);
      buffer->size = size;
      return size;
    }
  }
  return 0;
}

bool CheckFileList(FileSystem& fs, const std::vector<std::string>& list, ListMode mode, int* code, int* index) {
  const bool target = mode == ListMode::kTarget;
  bool recorded = false;
  for (size_t i = 0; i < list.size(); ++i) {
    const AccessResult access = fs.Access(list[i], target);
    const uint32_t attributes = fs.GetAttributes(list[i]);
    const bool exists = attributes != kInvalidAttributes;
    const bool guarded = target && exists && (attributes & (kAttrReadOnly | kAttrSystem | kAttrDirectory)) != 0;
    if (access == AccessResult::kDenied || guarded) {
      *code = MM_FILE_PROTECTED;
      *index = static_cast<int>(i);
      return false;
    }
    if (!recorded && (target ? exists : !exists)) {
      *code = target ? MM_FILE_EXISTS : MM_NO_FILE;
      *index = static_cast<int>(i);
      recorded = true;
    }
  }
  return !recorded;
}

int CopyOneFile(FileSystem& fs, const std::string& source, const std::string& target, int* code, char* buffer,
                size_t buffer_size, uint64_t total, uint64_t* running_bytes, ProgressReporter* progress,
                bool* created) {
  *code = MM_OK;
  if (created != nullptr) *created = false;
  auto in = fs.Open(source, OpenMode::kRead);
  if (!in) {
    *code = MM_SOURCE_OPEN;
    return 0;
  }
  auto out = fs.Open(target, OpenMode::kCreateWrite);
  if (!out) {
    *code = MM_TARGET_CREATE;
    return 0;
  }
  if (created != nullptr) *created = true;
  CopyBuffer own;
  if (buffer == nullptr) {
    own.data = static_cast<char*>(g_allocate.load()(kMiB));
    if (own.data == nullptr) {
      *code = MM_NO_BUFFER;
      return 0;
    }
    own.size = kMiB;
    buffer = own.data;
    buffer_size = own.size;
  }
  uint64_t remaining = 0;
  if (!in->Size(&remaining)) {
    *code = MM_WRITE_FAILURE;
    return 0;
  }
  ProgressReporter none(nullptr, nullptr);
  ProgressReporter& reporter = progress != nullptr ? *progress : none;
  while (remaining != 0 && reporter.Running()) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining, buffer_size));
    const size_t got = in->Read(buffer, want);
    if (got == 0) {
      // A read error, or a source that shrank under us: stop, never spin.
      *code = MM_WRITE_FAILURE;
      return 0;
    }
    if (out->Write(buffer, got) != got) {
      *code = WriteFailureCode();
      return 0;
    }
    remaining -= got;
    *running_bytes += got;
    if (total != 0) reporter.Report(Percent(*running_bytes, total));
  }
  // On the disk before a move deletes the source, or a journal relies on it.
  if (!out->Flush() || !out->Close()) {
    *code = WriteFailureCode();
    return 0;
  }
  return 1;
}

bool FlushFolderOf(FileSystem& fs, const std::string& path) { return fs.FlushFolder(WinPath().Folder(path)); }

bool MoveOneFile(FileSystem& fs, const std::string& from, const std::string& to) {
  if (SameVolume(from, to)) return fs.Move(from, to) && FlushFolderOf(fs, to) && FlushFolderOf(fs, from);
  if (fs.Exists(to)) {
    SetLastSystemError(kErrorAlreadyExists);
    return false;
  }
  CopyBuffer buffer;
  if (ChooseCopyBufferSize(&buffer) == 0) {
    SetLastSystemError(kErrorNotEnoughMemory);
    return false;
  }
  int code = MM_OK;
  uint64_t copied = 0;
  bool created = false;
  if (!CopyOneFile(fs, from, to, &code, buffer.data, buffer.size, 0, &copied, nullptr, &created) ||
      !FlushFolderOf(fs, to) || !fs.Delete(from)) {
    const uint32_t error = GetLastSystemError();
    if (created) fs.Delete(to);
    SetLastSystemError(error);
    return false;
  }
  return FlushFolderOf(fs, from);
}

int MoveMultiFiles(FileSystem& fs, const std::vector<std::string>& sources, const std::vector<std::string>& targets,
                   int move, int* code, int* failing_index, ProgressReporter* progress, int refuse_existing,
                   std::vector<std::string>* stranded) {
  int own_index = 0;
  if (failing_index == nullptr) failing_index = &own_index;
  int own_code = 0;
  if (code == nullptr) code = &own_code;
  *code = MM_OK;
  if (sources.empty() || sources.size() != targets.size()) {
    *code = MM_BAD_LIST;
    return 0;
  }
  int check = 0;
  if (!CheckFileList(fs, sources, ListMode::kSource, &check, failing_index)) {
    *code = MM_BAD_SOURCE;
    return 0;
  }
  if (!CheckFileList(fs, targets, ListMode::kTarget, &check, failing_index)) {
    if (check != MM_FILE_EXISTS) {
      *code = MM_TARGET_PROTECTED;
      return 0;
    }
    if (refuse_existing) {
      *code = MM_TARGET_EXISTS;
      return 0;
    }
  }
  ProgressReporter none(nullptr, nullptr);
  std::vector<std::string> own_stranded;
  ListCarry carry(fs, sources, targets, code, failing_index, progress != nullptr ? *progress : none,
                   refuse_existing != 0, stranded != nullptr ? *stranded : own_stranded);
  if (move) carry.MoveFileList();
  else carry.CopyFileList();
  return *code == MM_OK ? 1 : 0;
}

}  // namespace mendora
