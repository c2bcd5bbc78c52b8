#pragma once
// The move/copy engine: carries a list of files to a parallel list of
// targets on the operation worker, by copying or by moving, with progress by
// bytes, Cancel through the running flag, and an undo that leaves no file of
// the run behind on cancel or failure. It knows nothing of reference AVIs.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ErrorCodes.h"
#include "platform/progress.h"

namespace mendora {

class FileSystem;

// Carries sources[i] to targets[i]. `move` nonzero moves (a rename on one
// drive, copy then delete across drives), else copies. `code` gets one of
// the codes above, `failing_index` the position of the file that caused it.
// `progress` may be null (no reports, never cancelled). With
// `refuse_existing` an existing target stops the run before anything is
// touched; without it existing targets are replaced. Returns 1 when the
// code is 0; a cancelled move returns 1 with code 0 and the running flag 0.
// `stranded` (may be null) gets, for every file the undo could not put back
// or remove, where it is now and then where it belongs (or what it copies).
int MoveMultiFiles(FileSystem& fs, const std::vector<std::string>& sources,
                   const std::vector<std::string>& targets, int move, int* code,
                   int* failing_index, ProgressReporter* progress, int refuse_existing,
                   std::vector<std::string>* stranded = nullptr);

enum class ListMode { kSource, kTarget };

// Checks every path of `list`: a protected file (no access, or a target with
// the read-only, system or directory attribute) records 274 and stops; the
// first missing source (272) or existing target (273) is recorded and the
// scan goes on. True when nothing was recorded.
bool CheckFileList(FileSystem& fs, const std::vector<std::string>& list, ListMode mode, int* code, int* index);

// The copy buffer: its size is chosen once per run by probing free memory.
using BufferAllocator = void* (*)(size_t);
struct CopyBuffer {
  CopyBuffer() = default;
  ~CopyBuffer();
  CopyBuffer(const CopyBuffer&) = delete;
  CopyBuffer& operator=(const CopyBuffer&) = delete;
  char* data = nullptr;
  size_t size = 0;
};
// Probes 1, 2, 4 ... 32 MiB; takes a quarter of the first size that fails
// (16 MiB when none fails) and halves it until an allocation succeeds.
// Returns the size, 0 when nothing could be allocated.
size_t ChooseCopyBufferSize(CopyBuffer* buffer);

// What the engine allocates with; tests replace it to simulate low memory.
// Blocks are released with std::free.
void SetCopyBufferAllocator(BufferAllocator allocate);

// Copies one file, replacing any existing target. With no buffer given an
// own 1 MiB block is used. `running_bytes` grows by what is copied and the
// percentage of `total` is reported after each block. A stop by the running
// flag returns 1 with an incomplete target. `created` (may be null) tells
// whether the target was created, so a caller can remove a partial one.
int CopyOneFile(FileSystem& fs, const std::string& source, const std::string& target, int* code,
                char* buffer, size_t buffer_size, uint64_t total, uint64_t* running_bytes,
                ProgressReporter* progress, bool* created = nullptr);

// Flushes the folder that holds `path`.
bool FlushFolderOf(FileSystem& fs, const std::string& path);

// MoveFile, made to survive a power loss: on one drive a rename, on another
// a copy that is on the disk, name and bytes, before the source is deleted.
// Both folders are flushed after. Never replaces an existing target; a
// failure leaves the file whole at `from`, or at `to` when only a flush
// after the rename or the delete failed.
bool MoveOneFile(FileSystem& fs, const std::string& from, const std::string& to);

}  // namespace mendora
