#include "refavi_make_reference.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "refavi/Layout.h"

namespace mendora::bench {

namespace {

// Sequential writer with patching of earlier bytes.
class Out {
 public:
  explicit Out(const std::string& path) {
    file_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    file_.open(path, std::ios::binary | std::ios::trunc | std::ios::in | std::ios::out);
  }
  bool ok() const { return static_cast<bool>(file_); }
  uint64_t Tell() const { return position_; }
  void Bytes(const void* data, size_t n) {
    file_.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    position_ += n;
  }
  void Zeros(size_t n) {
    static const char zeros[4096] = {};
    while (n > 0) {
      const size_t k = n < sizeof zeros ? n : sizeof zeros;
      Bytes(zeros, k);
      n -= k;
    }
  }
  void U32(uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    Bytes(b, 4);
  }
  void Header(uint32_t id, uint32_t size) {
    U32(id);
    U32(size);
  }
  void Patch(uint64_t at, const void* data, size_t n) {
    file_.seekp(static_cast<std::streamoff>(at));
    file_.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    file_.seekp(static_cast<std::streamoff>(position_));
  }
  void PatchU32(uint64_t at, uint32_t v) {
    uint8_t b[4];
    StoreU32(b, v);
    Patch(at, b, 4);
  }

 private:
  std::vector<char> buffer_ = std::vector<char>(1 << 20);
  std::fstream file_;
  uint64_t position_ = 0;
};

struct Entry {
  uint64_t data_position;
  uint32_t size;
};

// One stream's OpenDML index: blocks of standard index in "movi".
struct StreamIndex {
  StreamIndex(uint32_t chunk, uint32_t ix) : chunk_id(chunk), ix_id(ix) {}
  uint32_t chunk_id;
  uint32_t ix_id;
  uint64_t super_at = 0;  // position of the "indx" entries
  std::vector<uint64_t> blocks;
  std::vector<uint32_t> durations;
  std::vector<Entry> current;
  uint64_t base = 0;

  // Reserves a block at the current position.
  void Open(Out& out) {
    blocks.push_back(out.Tell());
    base = blocks.size() == 1 ? 0 : out.Tell() + kIndexBlockSize;
    current.clear();
    out.Zeros(kIndexBlockSize);
  }
  // Writes the finished block's standard index over its reservation.
  void Close(Out& out, uint32_t duration) {
    std::vector<uint8_t> block(kIndexBlockSize, 0);
    AviStdIndexHeader h;
    h.fcc = ix_id;
    h.cb = kIndexChunkDataSize;
    h.nEntriesInUse = static_cast<uint32_t>(current.size());
    h.dwChunkId = chunk_id;
    h.qwBaseOffset = base;
    h.Encode(block.data());
    for (size_t i = 0; i < current.size(); ++i) {
      AviStdIndexEntry e;
      e.dwOffset = static_cast<uint32_t>(current[i].data_position - base);
      e.dwSize = current[i].size;
      e.Encode(block.data() + AviStdIndexHeader::kSize + i * AviStdIndexEntry::kSize);
    }
    out.Patch(blocks.back(), block.data(), block.size());
    durations.push_back(duration);
  }
};

}  // namespace

namespace {

uint32_t FramesPerFile(const ReferenceAviShape& shape) {
  if (shape.cycle != 0) return shape.cycle;
  return (shape.frames + static_cast<uint32_t>(shape.data_files) - 1) / static_cast<uint32_t>(shape.data_files);
}

}  // namespace

std::string DataLinkOf(const ReferenceAviShape& shape, uint32_t i) {
  char path[64];
  std::snprintf(path, sizeof path, "D:\\Capture\\Tape 07\\clip.%03u",
                i / FramesPerFile(shape) % static_cast<uint32_t>(shape.data_files) + 1);
  return path;
}

bool WriteReferenceAvi(const std::string& native_path, const ReferenceAviShape& shape) {
  Out out(native_path);
  if (!out.ok()) return false;
  const uint32_t frames = shape.frames;
  const uint32_t per_file = FramesPerFile(shape);
  // 8008 samples every 5 frames at 48 kHz and 30000/1001 frames a second.
  auto samples = [](uint32_t i) { return i % 5 == 1 || i % 5 == 3 ? 1601u : 1602u; };
  uint64_t total_samples = 0;
  for (uint32_t i = 0; i < frames; ++i) total_samples += samples(i);

  out.Header(fcc::RIFF, 0);
  out.U32(fcc::AVI_);
  const uint64_t hdrl = out.Tell();
  out.Header(fcc::LIST, 0);
  out.U32(fcc::hdrl);
  {
    AviMainHeader avih;
    avih.dwMicroSecPerFrame = 33367;
    avih.dwMaxBytesPerSec = 3600000;
    avih.dwFlags = AVIF_HASINDEX;
    avih.dwTotalFrames = frames;
    avih.dwStreams = shape.audio ? 2 : 1;
    avih.dwSuggestedBufferSize = 120008;
    avih.dwWidth = 720;
    avih.dwHeight = 480;
    uint8_t data[AviMainHeader::kSize];
    avih.Encode(data);
    out.Header(fcc::avih, sizeof data);
    out.Bytes(data, sizeof data);
  }
  StreamIndex video(fcc::id00db, fcc::ix00);
  StreamIndex audio(fcc::id01wb, fcc::ix01);
  auto strl = [&](bool is_video, StreamIndex* index) {
    const uint64_t list = out.Tell();
    out.Header(fcc::LIST, 0);
    out.U32(fcc::strl);
    AviStreamHeader strh;
    strh.fccType = is_video ? fcc::vids : fcc::auds;
    strh.fccHandler = is_video ? fcc::kzvq : 0;
    strh.dwScale = is_video ? 1001 : 1;
    strh.dwRate = is_video ? 30000 : 48000;
    strh.dwLength = is_video ? frames : static_cast<uint32_t>(total_samples);
    strh.dwSampleSize = is_video ? 0 : 4;
    uint8_t h[AviStreamHeader::kSize];
    strh.Encode(h);
    out.Header(fcc::strh, sizeof h);
    out.Bytes(h, sizeof h);
    if (is_video) {
      BitmapInfoHeader bih;
      bih.biSize = 40;
      bih.biWidth = 720;
      bih.biHeight = 480;
      bih.biPlanes = 1;
      bih.biBitCount = 24;
      bih.biCompression = fcc::kzvq;
      bih.biSizeImage = kDvFrameSize525;
      uint8_t f[BitmapInfoHeader::kSize];
      bih.Encode(f);
      out.Header(fcc::strf, sizeof f);
      out.Bytes(f, sizeof f);
    } else {
      WaveFormatEx wfx;
      wfx.wFormatTag = WAVE_FORMAT_PCM;
      wfx.nChannels = 2;
      wfx.nSamplesPerSec = 48000;
      wfx.nAvgBytesPerSec = 192000;
      wfx.nBlockAlign = 4;
      wfx.wBitsPerSample = 16;
      uint8_t f[WaveFormatEx::kSize];
      wfx.Encode(f);
      out.Header(fcc::strf, sizeof f);
      out.Bytes(f, sizeof f);
    }
    out.Header(fcc::indx, kIndexChunkDataSize);
    AviSuperIndexHeader super;
    super.dwChunkId = index->chunk_id;
    uint8_t s[AviSuperIndexHeader::kSize];
    super.Encode(s);
    out.Bytes(s, sizeof s);
    index->super_at = out.Tell();
    out.Zeros(kIndexChunkDataSize - AviSuperIndexHeader::kSize);
    out.PatchU32(list + 4, static_cast<uint32_t>(out.Tell() - list - 8));
  };
  strl(true, &video);
  if (shape.audio) strl(false, &audio);
  out.Header(fcc::LIST, 4 + 8 + kDmlhDataSize);
  out.U32(fcc::odml);
  out.Header(fcc::dmlh, kDmlhDataSize);
  out.U32(frames);
  out.Zeros(kDmlhDataSize - 4);
  out.PatchU32(hdrl + 4, static_cast<uint32_t>(out.Tell() - hdrl - 8));

  const uint32_t pad = MoviPadSize(out.Tell());
  if (pad > 8) {
    out.Header(fcc::JUNK, pad - 8);
    out.Zeros(pad - 8);
  }
  const uint64_t movi = out.Tell();
  out.Header(fcc::LIST, 0);
  out.U32(fcc::movi);

  std::vector<AviOldIndexEntry> idx1;
  idx1.reserve(static_cast<size_t>(frames) * 2 + 128);
  std::vector<uint8_t> audio_data(1602 * 4, 0);
  uint32_t video_duration = 0, audio_duration = 0;
  for (uint32_t i = 0; i < frames; ++i) {
    if (i % kStdIndexMaxEntries == 0) {
      if (i > 0) {
        video.Close(out, video_duration);
        if (shape.audio) audio.Close(out, audio_duration);
        video_duration = audio_duration = 0;
      }
      const uint32_t blocks = shape.audio ? 2 : 1;
      idx1.push_back({fcc::id7Fxx, 0, static_cast<uint32_t>(out.Tell()), blocks * kIndexBlockSize});
      video.Open(out);
      if (shape.audio) audio.Open(out);
    }
    // The REF record: path length, path field 4 x (L div 4 + 1).
    const std::string path = DataLinkOf(shape, i);
    const uint32_t length = static_cast<uint32_t>(path.size());
    const uint32_t field = static_cast<uint32_t>(RefPathFieldSize(length));
    std::vector<uint8_t> record(RefRecordLayout::kHeaderSize + field, 0);
    StoreU32(record.data(), fcc::REF_);
    StoreU32(record.data() + 4, static_cast<uint32_t>((i % per_file) * kWholeFileStep525));
    StoreU32(record.data() + 12, length);
    for (uint32_t k = 0; k < length; ++k) record[RefRecordLayout::kOffPath + k] = static_cast<uint8_t>(path[k]);
    const uint64_t v = out.Tell();
    out.Header(fcc::id00db, static_cast<uint32_t>(record.size()));
    out.Bytes(record.data(), record.size());
    video.current.push_back({v + 8, static_cast<uint32_t>(record.size())});
    idx1.push_back({fcc::id00db, AVIIF_KEYFRAME, static_cast<uint32_t>(v), static_cast<uint32_t>(record.size())});
    ++video_duration;
    if (!shape.audio) continue;

    const uint32_t bytes = samples(i) * 4;
    const uint64_t a = out.Tell();
    out.Header(fcc::id01wb, bytes);
    out.Bytes(audio_data.data(), bytes);
    audio.current.push_back({a + 8, bytes});
    idx1.push_back({fcc::id01wb, 0, static_cast<uint32_t>(a), bytes});
    audio_duration += samples(i);
  }
  video.Close(out, video_duration);
  if (shape.audio) audio.Close(out, audio_duration);
  out.PatchU32(movi + 4, static_cast<uint32_t>(out.Tell() - movi - 8));

  out.Header(fcc::idx1, static_cast<uint32_t>(idx1.size() * AviOldIndexEntry::kSize));
  for (const AviOldIndexEntry& e : idx1) {
    uint8_t b[AviOldIndexEntry::kSize];
    e.Encode(b);
    out.Bytes(b, sizeof b);
  }
  out.PatchU32(4, static_cast<uint32_t>(out.Tell() - 8));

  // The super indexes: every used entry, then unused ones with only the size.
  for (StreamIndex* index : {&video, &audio}) {
    if (index == &audio && !shape.audio) break;
    std::vector<uint8_t> entries(static_cast<size_t>(kSuperIndexMaxEntries) * AviSuperIndexEntry::kSize, 0);
    for (uint32_t k = 0; k < kSuperIndexMaxEntries; ++k) {
      AviSuperIndexEntry e;
      e.dwSize = kIndexBlockSize;
      if (k < index->blocks.size()) {
        e.qwOffset = index->blocks[k];
        e.dwDuration = index->durations[k];
      }
      e.Encode(entries.data() + k * AviSuperIndexEntry::kSize);
    }
    out.Patch(index->super_at, entries.data(), entries.size());
    out.PatchU32(index->super_at - AviSuperIndexHeader::kSize + AviSuperIndexHeader::kOffEntriesInUse,
                 static_cast<uint32_t>(index->blocks.size()));
  }
  return out.ok();
}

}  // namespace mendora::bench
