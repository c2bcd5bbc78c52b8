#pragma once
// Writes a new reference AVI: the source's header chunks, then the frame
// chunks handed in one at a time, with the legacy "idx1" index and, for
// long material, OpenDML super and standard indexes and RIFF "AVIX"
// continuations. Room for the headers and the index blocks is reserved
// first; Finish writes them once every chunk is in place.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "rewrite/ChunkTree.h"
#include "rewrite/PlainFile.h"

namespace mendora {

class ChunkTreeParser;

class RefAviWriter : public ChunkTree {
 public:
  static constexpr uint32_t kMaxStdIndexes = kSuperIndexMaxEntries;  // per stream
  // Video frames per audio chunk, as the builder interleaves an OpenDML
  // source and as the plan counts audio chunks.
  static constexpr uint32_t kFramesPerAudioChunk = 32;

  explicit RefAviWriter(FileSystem& fs);
  ~RefAviWriter() override;

  // Plans the file, builds its header tree from `source`, creates the file
  // and positions it at the first chunk. 1, or 0 with the error code set.
  int Open(const char* path, ChunkTreeParser* source);
  // Open creates the file only when the name is free, and fails with
  // ERR_REWRITE_TEMP_TAKEN when it is not: a temporary name that another
  // run may be writing.
  void set_exclusive(bool exclusive) { exclusive_ = exclusive; }
  // Appends a "00db" chunk of `size` bytes (bit 31 is not part of it).
  int WriteVideoChunk(const uint8_t* data, uint32_t size);
  // Appends an "01wb" ("00wb" without video) chunk; samples 0 means the
  // count follows from the size.
  int WriteAudioChunk(const uint8_t* data, uint32_t size, uint32_t samples);
  // Final headers and indexes, then closes. Called once, also after a
  // failure; reports nothing.
  void Finish();

  int error_code() const { return error_code_value_; }

  // What the plan decided (for tests and the command line).
  bool odml() const { return odml_; }
  uint32_t frames_per_index() const { return frames_per_index_; }
  uint32_t planned_indexes() const { return planned_indexes_; }
  uint32_t planned_audio_indexes() const { return audio_index_.planned; }
  uint32_t video_frames_written() const { return video_frames_; }

  int OnMovi(ChunkNode& movi, int ordinal) override;

 private:
  struct StreamIndex {
    SharedBytes super;                 // whole "indx" chunk, 16384 bytes
    std::vector<std::unique_ptr<ByteBuffer>> standard;  // whole "ix##" chunks
    uint32_t chunk_id = 0;
    uint64_t base = 0;                 // qwBaseOffset of the current one
    uint32_t planned = 0;              // standard indexes it may have
  };

  int Plan(ChunkTreeParser* source);
  int BuildHeaderTree(ChunkTreeParser* source);
  int CopyNodes(const NodeList& list, int depth);
  int AppendPadJunk();
  int GoToFirstChunk();
  int Reserve(bool video, uint32_t size);
  int StartContinuation();
  int StartStdIndex(StreamIndex& index);
  int WriteChunk(bool video, uint32_t id, const uint8_t* data, uint32_t size, uint32_t samples);
  void AddIdx1Entry(uint32_t ckid, uint32_t flags, uint32_t offset, uint32_t length);
  bool InFirstRiff() const { return riff_start_ == 0; }
  uint32_t SuperEntriesInUse(const StreamIndex& index) const;
  ByteBuffer* CurrentStdIndex(StreamIndex& index);
  int InitStreamIndex(StreamIndex& index, uint32_t chunk_id);
  void WriteStdIndexes(StreamIndex& index);

  PlainFile file_;
  bool created_ = false;
  bool exclusive_ = false;
  int error_code_value_ = 0;
  uint32_t total_frames_ = 0;
  SharedBytes avih_, video_strh_, audio_strh_, audio_strf_;
  // The same, by field; the buffers above keep them alive.
  MainHeaderView main_header_;
  StreamHeaderView video_header_, audio_header_;
  WaveFormatView audio_format_;
  SharedBytes dmlh_;
  bool odml_ = false;
  uint32_t frames_per_index_ = 0;
  uint32_t planned_indexes_ = 0;
  uint32_t frame_size_ = kDvFrameSize625;
  SharedBytes idx1_;            // 16-byte entries
  uint32_t idx1_count_ = 0;
  uint32_t idx1_capacity_ = 0;
  ChunkNode* idx1_node_ = nullptr;
  size_t open_7fxx_ = SIZE_MAX;  // the "7Fxx" entry being filled, if any
  StreamIndex video_index_, audio_index_;
  bool video_super_placed_ = false, audio_super_placed_ = false;
  uint32_t last_stream_type_ = 0;
  ChunkNode* movi_ = nullptr;
  uint64_t riff_start_ = 0;
  uint32_t video_frames_ = 0;
  bool has_video_ = false, has_audio_ = false;
  uint32_t largest_video_ = 0, largest_audio_ = 0;
};

}  // namespace mendora
