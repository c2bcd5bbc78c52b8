#pragma once
// The creation step: writes a new reference AVI from a source one, copying
// every frame chunk in index order and replacing, in each REF record, a data
// link found in the old paths by the new path at the same index.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/fs.h"
#include "platform/progress.h"
#include "rewrite/ChunkTreeParser.h"
#include "rewrite/RefAviWriter.h"

namespace mendora {

// Walks the standard index chunks of one super index in the source file and
// yields one frame entry at a time.
class IndexCursor {
 public:
  enum Result { kEntry, kEnd, kError };

  // `budget` bounds the standard index bytes all cursors of one copy may
  // load, so that entries naming one index over and over cannot make the
  // copy grow beyond what the file holds.
  void Attach(const SharedBytes& super_index, PlainFile* source, uint64_t* budget);
  // kEntry with the position of the frame's chunk header and the entry's
  // size as stored (bit 31 included); kEnd when the super index is used up;
  // kError when a standard index cannot be read or is malformed.
  Result Next(uint64_t* position, uint32_t* size);
  void Release();
  bool attached() const { return super_ != nullptr; }
  uint32_t yielded() const { return yielded_; }

 private:
  Result LoadNext();

  PlainFile* source_ = nullptr;
  SharedBytes super_;
  ByteBuffer current_;
  bool loaded_ = false;
  uint32_t next_super_ = 0;
  uint32_t entry_ = 0;
  uint32_t entries_ = 0;
  uint64_t position_ = 0;
  uint32_t yielded_ = 0;
  uint64_t* budget_ = nullptr;
};

class RefAviBuilder : public ChunkTreeParser {
 public:
  RefAviBuilder(FileSystem& fs, const char* output, const char* const* old_paths, const char* const* new_paths,
                int* error_code, int* error_detail, ProgressReporter* progress);
  ~RefAviBuilder() override;

  // Loads the source and copies it to the output. 1 on success.
  int Run(const char* source);

  int OnNodeList(NodeList& list) override;

 private:
  int EnsureWriter();
  int OpenDmlCopy();
  int LegacyCopy(const ChunkNode& idx1);
  int CopyChunk(uint64_t position, uint32_t id, uint32_t index_size);
  // Reads the chunk at `position` (header and data) into the chunk buffer;
  // `expected` is its size as the index gives it (0 when unknown).
  int ReadChunk(uint64_t position, uint32_t expected, uint32_t* size);
  bool ReserveChunkBuffer(uint64_t size);
  int ReplaceLink(ByteBuffer* data);
  int ReportProgress();
  int SetError(int code, bool with_detail = false, int detail = 0);

  FileSystem& fs_;
  const char* output_path_;
  const char* const* new_paths_;
  const char* const* old_paths_;
  int* error_code_out_;
  int* error_detail_out_;
  ProgressReporter* progress_;
  std::unique_ptr<RefAviWriter> writer_;
  bool index_copy_done_ = false;
  uint32_t chunk_counter_ = 0;
  uint64_t chunks_copied_ = 0;  // frame chunks handed to the writer
  // One buffer for the chunk in hand, grown as needed: header, then data.
  std::unique_ptr<uint8_t[]> chunk_;
  uint64_t chunk_capacity_ = 0;
};

// The step's entry. Paths are Windows paths as recorded. `progress` may be
// null (no reports, no cancel). 1 on success; 0 with the code in
// *error_code: 513 arguments, 514 memory, 515 create/rename/delete, 516 a
// frame or REF record cannot be read (also: no index locates any frame),
// 517 write, 518 writer limit, 519 cancelled, 767 header tree. A source that
// cannot be opened or parsed (an empty file too) leaves the code 0.
int CreateRefAvi(FileSystem& fs, const char* source, const char* output, const char* const* old_paths,
                 const char* const* new_paths, int* error_code, int* error_detail, ProgressReporter* progress);

}  // namespace mendora
