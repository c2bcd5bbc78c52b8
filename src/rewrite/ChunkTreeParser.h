#pragma once
// Loads the header chunks of a source reference AVI into a chunk tree and
// keeps the items the builder and the writer need. Frame data ("movi") is
// skipped, never loaded.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/fs.h"
#include "rewrite/ChunkTree.h"
#include "rewrite/PlainFile.h"

namespace mendora {

class ChunkTreeParser : public ChunkTree {
 public:
  explicit ChunkTreeParser(FileSystem& fs) : source_(fs) {}
  ~ChunkTreeParser() override;

  // Opens and parses `path`. 1 on success; on failure 0 with 514 (memory),
  // 515 (open), 516 (short read, malformed chunk) or 767 in the error code.
  int Load(const std::string& path);

  void set_error_outputs(int* code, int* detail) {
    error_code_ = code;
    error_detail_ = detail;
  }

  const std::string& source_path() const { return source_path_; }
  PlainFile& source() { return source_; }
  uint64_t source_size() const { return source_size_; }
  uint64_t movi_position() const { return movi_position_; }
  uint32_t total_frames() const { return total_frames_; }
  // Header items, each null when absent. "avih", "strh" and "indx" hold the
  // 8-byte chunk header followed by the data; "strf" the data only. Each
  // buffer holds at least the chunk's data size (padded).
  const SharedBytes& avih() const { return avih_; }
  const SharedBytes& video_strh() const { return video_strh_; }
  const SharedBytes& audio_strh() const { return audio_strh_; }
  const SharedBytes& video_strf() const { return video_strf_; }
  const SharedBytes& audio_strf() const { return audio_strf_; }
  const SharedBytes& video_indx() const { return video_indx_; }
  const SharedBytes& audio_indx() const { return audio_indx_; }
  // The same items by field (a missing item reads 0 in every field).
  MainHeaderView main_header() const { return DataView<MainHeaderView>(avih_, ChunkHeader::kSize); }
  StreamHeaderView audio_stream_header() const { return DataView<StreamHeaderView>(audio_strh_, ChunkHeader::kSize); }
  BitmapInfoView video_format() const { return DataView<BitmapInfoView>(video_strf_, 0); }
  WaveFormatView audio_format() const { return DataView<WaveFormatView>(audio_strf_, 0); }

  // The number of audio chunks the source's index lists (its super index's
  // standard indexes, else the "wb" entries of "idx1"); 0 when unknown.
  uint64_t CountAudioEntries();

 protected:
  // A file cut after the start of its first "movi" still loads: what lies
  // past the cut is left out of the tree (the recovery walks the frames).
  void set_tolerate_cut(bool on) { tolerate_cut_ = on; }
  // Counts found by a walk of the frames, in place of the header's and the
  // index's.
  void set_counts(uint32_t frames, uint64_t audio_chunks) {
    total_frames_ = frames;
    audio_entries_ = audio_chunks;
    counts_set_ = true;
  }

  PlainFile source_;

 private:
  int ParseRange(uint64_t end, int depth);
  // Reads `size` data bytes (padded) at the current position into a buffer,
  // after `header` bytes of room. Fails (516) when the data does not lie in
  // the file.
  SharedBytes ReadData(uint32_t size, size_t header);
  bool ReadU32(uint32_t* value);

  std::string source_path_;
  uint64_t source_size_ = 0;
  uint64_t movi_position_ = 0;
  uint32_t total_frames_ = 0;
  uint32_t stream_type_ = 0;
  bool tolerate_cut_ = false;
  bool counts_set_ = false;
  uint64_t audio_entries_ = 0;
  SharedBytes avih_, video_strh_, audio_strh_, video_strf_, audio_strf_, video_indx_, audio_indx_;
};

}  // namespace mendora
