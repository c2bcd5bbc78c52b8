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

// What a walk of the frame chunks found, in the order they lie in the file.
struct MoviWalk {
  uint32_t frames = 0;        // video chunks
  uint64_t audio_chunks = 0;
  uint64_t audio_bytes = 0;
  bool damaged = false;       // the walk stopped before the end of the file
  uint64_t damage_at = 0;     // where: the first chunk that is not whole
};

class RefAviBuilder : public ChunkTreeParser {
 public:
  // What the copy does: copy each frame chunk in index order (replacing
  // links); put in place of each REF record the frame it names (a DV AVI
  // that needs no data files); or take the chunks of "movi" in file order,
  // up to the first damaged one, without any index (a cut file).
  enum class Mode { kRewrite, kExport, kRecover };

  RefAviBuilder(FileSystem& fs, const char* output, const char* const* old_paths, const char* const* new_paths,
                int* error_code, int* error_detail, ProgressReporter* progress);
  ~RefAviBuilder() override;

  void set_mode(Mode mode) { mode_ = mode; }
  // The output is created only when its name is free (RefAviWriter).
  void set_exclusive(bool exclusive) { exclusive_ = exclusive; }
  // Loads the source and copies it to the output. 1 on success.
  int Run(const char* source);
  // kRecover: what the walk kept and where it stopped.
  const MoviWalk& walk() const { return walk_; }
  // Chunks handed to the writer (video and audio).
  uint64_t chunks_copied() const { return chunks_copied_; }
  // Video frames in the finished output.
  uint32_t frames_written() const { return frames_written_; }

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
  // Reads the chunk of the frame a REF record names into frame_chunk_.
  int ReadReferencedFrame(const uint8_t* record, uint32_t size);
  int RecoverCopy();
  // Walks the frame chunks from the first "movi" on, into walk_; with
  // `copy`, hands each frame chunk to the writer.
  int WalkMovi(bool copy);
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
  Mode mode_ = Mode::kRewrite;
  bool exclusive_ = false;
  bool reference_source_ = false;  // the source's video is REF records
  // kExport: the data file in use (frames of one file follow each other)
  // and the frame chunk in hand (header and frame).
  std::unique_ptr<File> data_file_;
  std::string data_path_;
  ByteBuffer frame_chunk_;
  bool frame_ready_ = false;
  MoviWalk walk_;
  uint32_t frames_written_ = 0;
};

// The step's entry. Paths are Windows paths as recorded. `progress` may be
// null (no reports, no cancel). 1 on success; 0 with the code in
// *error_code: 513 arguments, 514 memory, 515 create/rename/delete, 516 a
// frame or REF record cannot be read (also: no index locates any frame),
// 517 write, 518 writer limit, 519 cancelled, 522 `exclusive` and the output
// exists, 767 header tree. A source that cannot be opened or parsed (an empty
// file too) leaves the code 0. `exclusive`: the output is a temporary name
// that another run may hold; it is created only when absent, and one that
// exists is left as it is.
int CreateRefAvi(FileSystem& fs, const char* source, const char* output, const char* const* old_paths,
                 const char* const* new_paths, int* error_code, int* error_detail, ProgressReporter* progress,
                 bool exclusive = false);

// Creates, empty and exclusively, the first free name STEM0.tmp, STEM1.tmp,
// ... in the folder of `beside`, for a file that is written there and
// renamed into place once it is whole. "" when none could be created.
std::string ReserveFreeNameBeside(FileSystem& fs, const std::string& beside, const char* stem);

}  // namespace mendora
