#pragma once
// Builds reference AVI files, DV AVI files and data files byte by byte for
// the analysis tests and the fuzz corpora, independently of the program's
// own writer: REF records, REFI blocks, "idx1" (relative or absolute),
// OpenDML super and standard indexes, "AVIX" continuations, audio beside
// video, "rec " lists.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "refavi/Layout.h"

namespace mendora::test {

// Low-level RIFF writing with size fields patched when a list ends.
class RiffWriter {
 public:
  size_t Tell() const { return bytes_.size(); }
  // Starts a RIFF or LIST; returns the position of its header.
  size_t BeginList(uint32_t id, uint32_t type);
  // Ends the innermost list; `extra` bytes are counted in its size but
  // written as zeros after it (the continuation "movi" of OpenDML files).
  void EndList(uint32_t extra = 0);
  // A whole chunk with its pad byte; returns the position of its header.
  size_t Chunk(uint32_t id, const std::string& data);
  // A chunk header with a size that need not match what follows.
  void RawHeader(uint32_t id, uint32_t size);
  void Raw(const std::string& data) { bytes_ += data; }
  void PatchU32(size_t at, uint32_t value);
  void PatchU64(size_t at, uint64_t value);
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
  std::vector<size_t> open_;
};

std::string U32(uint32_t v);
std::string U64(uint64_t v);

// A REF record naming `path`; L defaults to the path's length. The path is
// cut to the field when L is too small for it.
std::string RefRecord(const std::string& path, uint32_t offset, std::optional<uint32_t> path_length = {},
                      uint32_t kept = 0);

struct FrameSpec {
  enum Kind { kRef, kData };
  Kind kind = kData;
  std::string path;              // kRef
  uint32_t offset = 0;           // kRef: frame position in the data file
  std::optional<uint32_t> path_length;  // kRef: L, when not the path's length
  uint32_t data_size = 64;       // kData: bytes of frame data
  std::optional<uint32_t> id;    // chunk id; "00db" (or "01db" with audio first)
  std::optional<uint32_t> index_size;  // size written into the indexes
  bool in_movi = true;           // false: an index entry only (repeat of the previous)
  uint32_t riff = 0;             // 0 in RIFF "AVI ", n in the n-th RIFF "AVIX"

  static FrameSpec Ref(const std::string& path, uint32_t offset = 0) {
    FrameSpec f;
    f.kind = kRef;
    f.path = path;
    f.offset = offset;
    return f;
  }
  static FrameSpec Data(uint32_t size = 64) {
    FrameSpec f;
    f.data_size = size;
    return f;
  }
};

struct AviSpec {
  uint32_t handler = fcc::kzvq;       // strh fccHandler of the video
  uint32_t compression = fcc::kzvq;   // biCompression
  uint32_t width = 720;
  uint32_t height = 480;
  uint32_t flags = AVIF_HASINDEX;
  bool video = true;
  bool audio = false;
  bool audio_first = false;           // audio is stream 0
  uint32_t audio_handler = 0;         // strh fccHandler of the audio (ffmpeg writes 1)
  uint16_t bit_count = 24;
  std::optional<uint32_t> length;     // video dwLength; default the frame count
  std::optional<uint32_t> streams;    // avih dwStreams; default the stream count
  std::vector<FrameSpec> frames;

  enum class Idx1 { kNone, kAbsolute, kRelative };
  Idx1 idx1 = Idx1::kAbsolute;
  bool odml = false;                  // "indx" + standard index chunks
  uint32_t frames_per_ix = 1000;      // entries per standard index chunk
  bool ix_absolute = true;            // qwBaseOffset 0 (else the movi data start)
  bool rec_lists = false;             // each video frame in a LIST "rec "
  // A REFI block in a "JUNK" after LIST "hdrl".
  std::optional<std::string> refi_path;
  std::vector<uint32_t> refi_positions;
  bool info_list = false;             // a LIST "INFO" with one "ISFT"
  // Video rate (frames a second = rate / scale) and avih's frame time.
  uint32_t video_scale = 1001;
  uint32_t video_rate = 30000;
  uint32_t micro_per_frame = 33367;
  // The audio chunks as given, spread in order over the video frames (each
  // after the frame whose time it reaches), in place of one 32-byte chunk a
  // frame. 48 kHz 16-bit stereo.
  std::vector<std::string> audio_chunks;
};

std::string BuildAvi(const AviSpec& recipe);

// A plain data file: `frames` chunks "00db" of `frame_size` bytes.
std::string BuildDataFile(int frames, uint32_t frame_size = kDvFrameSize525, uint32_t id = fcc::id00db);

// A small RIFF "WAVE" file.
std::string BuildWave();

}  // namespace mendora::test
