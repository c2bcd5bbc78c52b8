#pragma once
// The chunk reader of reference AVI files and data files. The base walks
// the file (RIFF "AVI ", "AVIX" continuations, "WAVE"), checks that it is DV,
// builds the stream table with per-frame positions and sources, and collects
// the data links of the REF records in the "movi" lists. DvFileProbe and
// ContentListReader are its two uses.
//
// Every read is bounded by the chunk it reads from and by the file: a
// malformed file makes the walk return 0, never read past a chunk or
// allocate more than the file holds.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/progress.h"
#include "refavi/BufferedFile.h"
#include "refavi/DataLinkList.h"
#include "refavi/Layout.h"
#include "refavi/StreamTable.h"

namespace mendora {

class RefAviReader {
 public:
  // `trace` receives the chunk trace; null (the invalid handle) writes none.
  explicit RefAviReader(FileSystem& fs, File* trace = nullptr);
  virtual ~RefAviReader();
  RefAviReader(const RefAviReader&) = delete;
  RefAviReader& operator=(const RefAviReader&) = delete;

  // Opens `path` for reading when flags bit 0 is set. 1 on success.
  virtual int Open(const std::string& path, int flags);
  // The top-level walk without collecting data links.
  virtual int Walk();
  // Releases the file, the stream table and the header copies.
  virtual void Close();
  // Picks the n-th stream of that kind; 1 when there is one.
  virtual int SelectVideoStream(int n);
  virtual int SelectAudioStream(int n);

  const std::string& path() const { return path_; }
  uint32_t video_handler() const { return video_handler_; }
  bool has_reference_chunks() const { return has_reference_chunks_; }
  bool references_resolved() const { return references_resolved_; }
  uint64_t movi_base() const { return movi_base_; }
  const StreamTable* streams() const { return streams_.get(); }
  // The "avih" chunk as read (8-byte header and data); empty when none.
  const std::vector<uint8_t>& main_header_copy() const { return main_header_copy_; }
  const AviMainHeader& main_header() const { return main_header_; }
  VideoStream* selected_video_stream() const { return selected_video_; }
  AudioStream* selected_audio_stream() const { return selected_audio_; }
  BufferedFile* file() const { return file_.get(); }

 protected:
  // Reading of indexes, junk and references (the stream table's side).
  virtual int ReadRefiBlock(const ChunkHeader& chunk, uint64_t data_start, int* frame_counter);
  virtual int ReadJunk(const ChunkHeader& chunk, uint64_t data_start, int* frame_counter);
  virtual int ResolveReferences();
  virtual int SkipChunk(const ChunkHeader& chunk, uint64_t data_start);
  virtual int CheckMainHeader(const AviMainHeader& header);
  virtual int CheckStreamHeader(const AviStreamHeader& header);
  virtual int CheckVideoFormat(const BitmapInfoHeader& format);
  virtual int CheckAudioFormat(const WaveFormatEx& format);
  virtual int Validate();

  // Notification hooks; they do nothing here.
  virtual void OnMainHeader() {}
  virtual void OnStreamHeader() {}
  virtual void OnVideoFormat() {}
  virtual void OnAudioFormat() {}
  virtual void OnOdmlHeader() {}
  virtual void OnIdx1Entry() {}
  virtual void OnSuperIndexEntry() {}
  virtual void OnSuperIndex() {}
  virtual void OnStdIndexChunk() {}
  virtual void OnRefiBlock() {}

  // Replaces the path copy and opens a fresh file object on it.
  int OpenFile(const std::string& path);
  // The analysis walk over the whole file; links go to `list` when given.
  int WalkTopLevel(DataLinkList* list);

  // Primitives.
  bool ReadHeader(ChunkHeader* header);
  uint32_t ReadFourcc();  // 0xFFFFFFFF when short
  bool ReadU32(uint32_t* value);
  // Reads header and data of a chunk whose header was just read into one
  // block; fails when the data does not lie inside the file.
  bool ReadChunkWhole(const ChunkHeader& chunk, uint64_t data_start, std::vector<uint8_t>* out);
  // The length of the chunk's data in the file, with its pad byte when the
  // file has it; false when the data itself does not fit in the file.
  bool ChunkInFile(const ChunkHeader& chunk, uint64_t data_start, uint64_t* length) const;
  // True when `n` bytes from the current position lie inside the file, so
  // that a size read from the file never sizes an allocation beyond it.
  bool FitsInFile(uint64_t n) const { return file_->Tell() <= file_size_ && n <= file_size_ - file_->Tell(); }
  // Reports the current position as a percentage; false after a cancel.
  bool ReportProgress();
  bool Cancelled() const { return progress_ != nullptr && !progress_->Running(); }

  FileSystem& fs_;
  File* trace_;
  std::unique_ptr<BufferedFile> file_;
  std::string path_;
  ProgressReporter* progress_ = nullptr;
  uint64_t file_size_ = 0;

 private:
  int ChunkWalk(uint64_t end, int depth, uint32_t stream_type, DataLinkList* list);
  int ReadList(const ChunkHeader& chunk, uint64_t data_start, int depth, uint32_t stream_type,
               DataLinkList* list);
  int MoviWalk(const ChunkHeader& chunk, uint64_t data_start, int depth, DataLinkList* list);
  int ReadDataChunk(const ChunkHeader& chunk, int trace_depth, DataLinkList* list);
  int ReadMainHeader(const ChunkHeader& chunk, uint64_t data_start);
  int ReadStreamHeader(const ChunkHeader& chunk, uint64_t data_start, uint32_t* stream_type);
  int ReadVideoFormat(const ChunkHeader& chunk, uint64_t data_start);
  int ReadAudioFormat(const ChunkHeader& chunk, uint64_t data_start);
  int ReadOdmlHeader(const ChunkHeader& chunk, uint64_t data_start);
  int ReadSuperIndex(const ChunkHeader& chunk, uint64_t data_start);
  int ReadLegacyIndex(const ChunkHeader& chunk, uint64_t data_start);
  // Appends one index entry to a stream, within the budget the file allows.
  bool AppendPosition(StreamEntry* stream, uint64_t position, bool reference);
  // Room for the positions an index is about to give a stream.
  void ReservePositions(StreamEntry* stream, uint64_t entries);
  // The next `count` bytes (at most a few dozen) in place, or copied to
  // `spare` across a block boundary; null at a short read.
  const uint8_t* NextBytes(size_t count, uint8_t* spare);

  uint32_t video_handler_ = 0xFFFFFFFFu;
  bool has_reference_chunks_ = false;
  bool references_resolved_ = false;
  // The REF path of the chunk being read, kept between chunks so that an
  // hour of frames does not allocate one buffer each; and the link the walk
  // gave the list last (frames of one data file follow each other).
  std::vector<char> ref_path_;
  std::string last_link_;
  bool have_last_link_ = false;
  size_t last_link_index_ = 0;
  uint64_t movi_base_ = 0;
  std::unique_ptr<StreamTable> streams_;
  std::vector<uint8_t> main_header_copy_;
  AviMainHeader main_header_;
  VideoStream* selected_video_ = nullptr;
  AudioStream* selected_audio_ = nullptr;
  // Index entries and standard index bytes are bounded by what the file can
  // hold, so that entries naming the same index chunk over and over cannot
  // make the tables (or the time spent) grow beyond the file's size.
  uint64_t position_budget_ = 0;
  uint64_t index_bytes_budget_ = 0;
};

}  // namespace mendora
