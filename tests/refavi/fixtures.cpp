#include "refavi/fixtures.h"

#include <algorithm>
#include <stdexcept>

namespace mendora::test {

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  StoreU32(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}

std::string U64(uint64_t v) {
  std::string s(8, '\0');
  StoreU64(reinterpret_cast<uint8_t*>(s.data()), v);
  return s;
}

size_t RiffWriter::BeginList(uint32_t id, uint32_t type) {
  const size_t at = bytes_.size();
  bytes_ += U32(id) + U32(0) + U32(type);
  open_.push_back(at);
  return at;
}

void RiffWriter::EndList(uint32_t extra) {
  if (open_.empty()) throw std::logic_error("no open list");
  const size_t at = open_.back();
  open_.pop_back();
  bytes_.append(extra, '\0');
  PatchU32(at + 4, static_cast<uint32_t>(bytes_.size() - at - 8));
}

size_t RiffWriter::Chunk(uint32_t id, const std::string& data) {
  const size_t at = bytes_.size();
  bytes_ += U32(id) + U32(static_cast<uint32_t>(data.size())) + data;
  if (data.size() % 2 != 0) bytes_ += '\0';
  return at;
}

void RiffWriter::RawHeader(uint32_t id, uint32_t size) { bytes_ += U32(id) + U32(size); }

void RiffWriter::PatchU32(size_t at, uint32_t value) {
  StoreU32(reinterpret_cast<uint8_t*>(bytes_.data() + at), value);
}

void RiffWriter::PatchU64(size_t at, uint64_t value) {
  StoreU64(reinterpret_cast<uint8_t*>(bytes_.data() + at), value);
}

std::string RefRecord(const std::string& path, uint32_t offset, std::optional<uint32_t> path_length,
                      uint32_t kept) {
  const uint32_t length = path_length.value_or(static_cast<uint32_t>(path.size()));
  const size_t field = static_cast<size_t>(RefPathFieldSize(length));
  std::string path_field = path.substr(0, field - 1);
  path_field.resize(field, '\0');
  return U32(fcc::REF_) + U32(offset) + U32(kept) + U32(length) + path_field;
}

namespace {

struct Written {
  size_t header = 0;   // position of the chunk header
  uint32_t size = 0;   // data size
  uint32_t id = 0;
  uint32_t riff = 0;
  size_t after = 0;    // audio: the video frame it follows
  bool present = false;
  std::optional<uint32_t> index_size;
};

std::string FrameData(uint32_t size, uint8_t seed) {
  std::string data(size, '\0');
  for (uint32_t i = 0; i < size; ++i) data[i] = static_cast<char>(0x80 | ((i + seed) & 0x3F));
  return data;
}

}  // namespace

std::string BuildAvi(const AviSpec& recipe) {
  const int video_n = recipe.video ? (recipe.audio && recipe.audio_first ? 1 : 0) : -1;
  const int audio_n = recipe.audio ? (recipe.video && !recipe.audio_first ? 1 : 0) : -1;
  const uint32_t stream_count = (recipe.video ? 1 : 0) + (recipe.audio ? 1 : 0);
  uint32_t riffs = 1;
  for (const FrameSpec& f : recipe.frames) riffs = std::max(riffs, f.riff + 1);
  const uint32_t video_frames = static_cast<uint32_t>(recipe.frames.size());
  const uint32_t audio_size = 32;

  RiffWriter w;
  w.BeginList(fcc::RIFF, fcc::AVI_);
  w.BeginList(fcc::LIST, fcc::hdrl);
  {
    AviMainHeader avih;
    avih.dwMicroSecPerFrame = recipe.micro_per_frame;
    avih.dwFlags = recipe.flags;
    avih.dwTotalFrames = video_frames;
    avih.dwStreams = recipe.streams.value_or(stream_count);
    avih.dwWidth = recipe.width;
    avih.dwHeight = recipe.height;
    std::string data(AviMainHeader::kSize, '\0');
    avih.Encode(reinterpret_cast<uint8_t*>(data.data()));
    w.Chunk(fcc::avih, data);
  }
  // Super index positions to patch: per stream, the offset of its entries.
  size_t video_indx = 0, audio_indx = 0;
  const uint32_t per_ix = recipe.frames_per_ix == 0 ? 1 : recipe.frames_per_ix;
  const uint32_t video_ix_count = video_frames == 0 ? 0 : (video_frames + per_ix - 1) / per_ix;
  const bool given_audio = !recipe.audio_chunks.empty();
  const uint32_t audio_chunks =
      given_audio ? static_cast<uint32_t>(recipe.audio_chunks.size())
                  : static_cast<uint32_t>(std::count_if(recipe.frames.begin(), recipe.frames.end(),
                                                        [](const FrameSpec& f) { return f.in_movi; }));
  uint64_t audio_bytes = static_cast<uint64_t>(audio_chunks) * audio_size;
  if (given_audio) {
    audio_bytes = 0;
    for (const std::string& c : recipe.audio_chunks) audio_bytes += c.size();
  }
  const uint32_t audio_ix_count = audio_chunks == 0 ? 0 : (audio_chunks + per_ix - 1) / per_ix;

  auto super_index = [&](int n, char kind, uint32_t entries) {
    AviSuperIndexHeader h;
    h.nEntriesInUse = entries;
    h.dwChunkId = FrameChunkId(n, kind);
    std::string data(AviSuperIndexHeader::kSize, '\0');
    h.Encode(reinterpret_cast<uint8_t*>(data.data()));
    data.append(static_cast<size_t>(entries) * AviSuperIndexEntry::kSize, '\0');
    return w.Chunk(fcc::indx, data) + ChunkHeader::kSize + AviSuperIndexHeader::kSize;
  };
  auto video_strl = [&] {
    w.BeginList(fcc::LIST, fcc::strl);
    AviStreamHeader strh;
    strh.fccType = fcc::vids;
    strh.fccHandler = recipe.handler;
    strh.dwScale = recipe.video_scale;
    strh.dwRate = recipe.video_rate;
    strh.dwLength = recipe.length.value_or(video_frames);
    std::string data(AviStreamHeader::kSize, '\0');
    strh.Encode(reinterpret_cast<uint8_t*>(data.data()));
    w.Chunk(fcc::strh, data);
    BitmapInfoHeader bih;
    bih.biSize = 40;
    bih.biWidth = static_cast<int32_t>(recipe.width);
    bih.biHeight = static_cast<int32_t>(recipe.height);
    bih.biPlanes = 1;
    bih.biBitCount = recipe.bit_count;
    bih.biCompression = recipe.compression;
    bih.biSizeImage = recipe.height == 480 ? kDvFrameSize525 : kDvFrameSize625;
    std::string format(BitmapInfoHeader::kSize, '\0');
    bih.Encode(reinterpret_cast<uint8_t*>(format.data()));
    w.Chunk(fcc::strf, format);
    if (recipe.odml) video_indx = super_index(video_n, kKindVideo, video_ix_count);
    w.EndList();
  };
  auto audio_strl = [&] {
    w.BeginList(fcc::LIST, fcc::strl);
    AviStreamHeader strh;
    strh.fccType = fcc::auds;
    strh.fccHandler = recipe.audio_handler;
    strh.dwScale = 4;
    strh.dwRate = 192000;
    strh.dwLength = static_cast<uint32_t>(audio_bytes / 4);
    strh.dwSampleSize = 4;
    std::string data(AviStreamHeader::kSize, '\0');
    strh.Encode(reinterpret_cast<uint8_t*>(data.data()));
    w.Chunk(fcc::strh, data);
    WaveFormatEx wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = 2;
    wfx.nSamplesPerSec = 48000;
    wfx.nAvgBytesPerSec = 192000;
    wfx.nBlockAlign = 4;
    wfx.wBitsPerSample = 16;
    std::string format(WaveFormatEx::kSize, '\0');
    wfx.Encode(reinterpret_cast<uint8_t*>(format.data()));
    w.Chunk(fcc::strf, format);
    if (recipe.odml) audio_indx = super_index(audio_n, kKindAudio, audio_ix_count);
    w.EndList();
  };
  if (recipe.audio && recipe.audio_first) audio_strl();
  if (recipe.video) video_strl();
  if (recipe.audio && !recipe.audio_first) audio_strl();
  if (recipe.odml) {
    w.BeginList(fcc::LIST, fcc::odml);
    w.Chunk(fcc::dmlh, U32(video_frames) + std::string(kDmlhDataSize - 4, '\0'));
    w.EndList();
  }
  w.EndList();  // hdrl
  if (recipe.info_list) {
    w.BeginList(fcc::LIST, fcc::INFO);
    w.Chunk(MakeFourcc("ISFT"), std::string("fixtures\0", 9));
    w.EndList();
  }
  if (recipe.refi_path) {
    std::string block = U32(fcc::REFI);
    std::string path = *recipe.refi_path + '\0';
    block += U32(static_cast<uint32_t>(path.size())) + path;
    block += U32(static_cast<uint32_t>(recipe.refi_positions.size()));
    for (uint32_t p : recipe.refi_positions) block += U32(p);
    w.Chunk(fcc::JUNK, block);
  }

  std::vector<Written> video(recipe.frames.size());
  std::vector<Written> audio;
  size_t movi_type = 0;  // list type of the first "movi"
  uint64_t movi_data = 0;
  auto write_movi = [&](uint32_t riff) {
    const size_t list = w.BeginList(fcc::LIST, fcc::movi);
    if (riff == 0) {
      movi_type = list + 8;
      movi_data = list + 12;
    }
    size_t last_present = 0;
    for (size_t i = 0; i < recipe.frames.size(); ++i) {
      const FrameSpec& f = recipe.frames[i];
      if (f.riff != riff) continue;
      Written& v = video[i];
      v.riff = riff;
      v.index_size = f.index_size;
      v.id = f.id.value_or(FrameChunkId(video_n < 0 ? 0 : video_n, kKindVideo));
      if (!f.in_movi) {
        v.header = last_present;
        v.size = 0;
        continue;
      }
      const std::string data = f.kind == FrameSpec::kRef ? RefRecord(f.path, f.offset, f.path_length)
                                                         : FrameData(f.data_size, static_cast<uint8_t>(i));
      if (recipe.rec_lists) w.BeginList(fcc::LIST, fcc::rec_);
      v.header = w.Chunk(v.id, data);
      v.size = static_cast<uint32_t>(data.size());
      v.present = true;
      last_present = v.header;
      // The audio chunks due by the end of this frame.
      const size_t due = !recipe.audio ? 0
                         : given_audio ? (recipe.audio_chunks.size() * (i + 1) + recipe.frames.size() - 1) /
                                             recipe.frames.size()
                                       : audio.size() + 1;
      while (audio.size() < due) {
        Written a;
        a.id = FrameChunkId(audio_n, kKindAudio);
        const std::string payload = given_audio ? recipe.audio_chunks[audio.size()] : std::string(audio_size, '\x11');
        a.header = w.Chunk(a.id, payload);
        a.size = static_cast<uint32_t>(payload.size());
        a.riff = riff;
        a.after = i;
        a.present = true;
        audio.push_back(a);
      }
      if (recipe.rec_lists) w.EndList();
    }
    return list;
  };

  auto write_ix = [&](int n, char kind, const std::vector<Written>& entries, size_t indx_at) {
    uint32_t done = 0, chunk_no = 0;
    while (done < entries.size()) {
      const uint32_t count = std::min<uint32_t>(per_ix, static_cast<uint32_t>(entries.size()) - done);
      AviStdIndexHeader h;
      h.fcc = StdIndexChunkId(n);
      h.nEntriesInUse = count;
      h.dwChunkId = FrameChunkId(n, kind);
      h.qwBaseOffset = recipe.ix_absolute ? 0 : movi_data;
      std::string full(AviStdIndexHeader::kSize, '\0');
      h.Encode(reinterpret_cast<uint8_t*>(full.data()));
      std::string data = full.substr(ChunkHeader::kSize);
      for (uint32_t k = 0; k < count; ++k) {
        const Written& e = entries[done + k];
        const uint64_t data_pos = e.header + ChunkHeader::kSize;
        const uint32_t offset = static_cast<uint32_t>(data_pos - h.qwBaseOffset);
        data += U32(e.present ? offset : 0) + U32(e.index_size.value_or(e.size));
      }
      const size_t at = w.Chunk(h.fcc, data);
      const size_t entry_at = indx_at + chunk_no * AviSuperIndexEntry::kSize;
      w.PatchU64(entry_at, at);
      w.PatchU32(entry_at + 8, static_cast<uint32_t>(data.size() + ChunkHeader::kSize));
      w.PatchU32(entry_at + 12, count);
      done += count;
      ++chunk_no;
    }
  };

  write_movi(0);
  if (recipe.odml && riffs == 1) {
    if (recipe.video) write_ix(video_n, kKindVideo, video, video_indx);
    if (recipe.audio) write_ix(audio_n, kKindAudio, audio, audio_indx);
  }
  w.EndList();  // movi

  if (recipe.idx1 != AviSpec::Idx1::kNone) {
    std::string idx1;
    const uint64_t base = recipe.idx1 == AviSpec::Idx1::kRelative ? movi_type : 0;
    size_t a = 0;
    for (size_t i = 0; i < video.size(); ++i) {
      const Written& v = video[i];
      if (v.riff != 0) continue;
      {
        AviOldIndexEntry e;
        e.ckid = v.id;
        e.dwFlags = AVIIF_KEYFRAME;
        e.dwChunkOffset = static_cast<uint32_t>(v.header - base);
        e.dwChunkLength = v.index_size.value_or(v.size);
        std::string bytes(AviOldIndexEntry::kSize, '\0');
        e.Encode(reinterpret_cast<uint8_t*>(bytes.data()));
        idx1 += bytes;
      }
      while (recipe.audio && v.present && a < audio.size() && audio[a].riff == 0 && audio[a].after == i) {
        AviOldIndexEntry e;
        e.ckid = audio[a].id;
        e.dwChunkOffset = static_cast<uint32_t>(audio[a].header - base);
        e.dwChunkLength = audio[a].size;
        std::string bytes(AviOldIndexEntry::kSize, '\0');
        e.Encode(reinterpret_cast<uint8_t*>(bytes.data()));
        idx1 += bytes;
        ++a;
      }
    }
    w.Chunk(fcc::idx1, idx1);
  }
  w.EndList();  // RIFF AVI

  for (uint32_t r = 1; r < riffs; ++r) {
    w.BeginList(fcc::RIFF, fcc::AVIX);
    write_movi(r);
    if (recipe.odml && r + 1 == riffs) {
      if (recipe.video) write_ix(video_n, kKindVideo, video, video_indx);
      if (recipe.audio) write_ix(audio_n, kKindAudio, audio, audio_indx);
    }
    w.EndList();  // movi
    w.EndList();  // RIFF AVIX
  }
  return w.bytes();
}

std::string BuildDataFile(int frames, uint32_t frame_size, uint32_t id) {
  std::string out;
  for (int i = 0; i < frames; ++i) {
    out += U32(id) + U32(frame_size);
    out += FrameData(frame_size, static_cast<uint8_t>(i));
  }
  return out;
}

std::string BuildWave() {
  RiffWriter w;
  w.BeginList(fcc::RIFF, fcc::WAVE);
  WaveFormatEx wfx;
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = 2;
  wfx.nSamplesPerSec = 48000;
  wfx.nAvgBytesPerSec = 192000;
  wfx.nBlockAlign = 4;
  wfx.wBitsPerSample = 16;
  std::string format(16, '\0');
  std::string full(WaveFormatEx::kSize, '\0');
  wfx.Encode(reinterpret_cast<uint8_t*>(full.data()));
  format = full.substr(0, 16);
  w.Chunk(MakeFourcc("fmt "), format);
  w.Chunk(MakeFourcc("data"), std::string(4800, '\0'));
  w.EndList();
  return w.bytes();
}

}  // namespace mendora::test
