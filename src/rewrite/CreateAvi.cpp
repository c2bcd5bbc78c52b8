#include "rewrite/CreateAvi.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "platform/last_error.h"
#include "platform/win_path.h"

namespace mendora {
namespace {

constexpr size_t kSuperEntries = AviSuperIndexHeader::kChunkOffEntries;
constexpr size_t kSuperInUse = AviSuperIndexHeader::kChunkOffEntriesInUse;

// The stream a super index names; 0 without one.
uint32_t SuperIndexChunkId(const SharedBytes& indx) {
  constexpr size_t at = AviSuperIndexHeader::kChunkOffChunkId;
  return indx != nullptr && indx->size() >= at + 4 ? LoadU32(indx->data() + at) : 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// IndexCursor

void IndexCursor::Attach(const SharedBytes& super_index, PlainFile* source, uint64_t* budget) {
  Release();
  super_ = super_index;
  source_ = source;
  budget_ = budget;
}

void IndexCursor::Release() {
  super_.reset();
  source_ = nullptr;
  current_.clear();
  current_.shrink_to_fit();
  loaded_ = false;
  next_super_ = entry_ = entries_ = yielded_ = 0;
  position_ = 0;
}

IndexCursor::Result IndexCursor::LoadNext() {
  const size_t room = super_->size() > kSuperEntries ? super_->size() - kSuperEntries : 0;
  const uint32_t in_use = super_->size() >= kSuperInUse + 4 ? LoadU32(super_->data() + kSuperInUse) : 0;
  if (next_super_ >= in_use) return kEnd;
  // An entry count beyond the chunk is a malformed super index.
  if (static_cast<uint64_t>(next_super_ + 1) * AviSuperIndexEntry::kSize > room) return kError;
  const AviSuperIndexEntry entry =
      AviSuperIndexEntry::Decode(super_->data() + kSuperEntries + next_super_ * AviSuperIndexEntry::kSize);
  const uint64_t offset = entry.qwOffset;
  const uint32_t size = entry.dwSize;
  const uint64_t file_size = source_->Size();
  if (size < AviStdIndexHeader::kSize || offset > file_size || size > file_size - offset) return kError;
  if (budget_ != nullptr) {
    if (*budget_ < size) return kError;
    *budget_ -= size;
  }
  try {
    current_.assign(size, 0);
  } catch (const std::bad_alloc&) {
    return kError;
  }
  source_->Seek(static_cast<int64_t>(offset), PlainFile::kBegin);
  if (source_->Read(current_.data(), size) != size) return kError;
  const uint32_t count = LoadU32(current_.data() + AviStdIndexHeader::kOffEntriesInUse);
  if (count > (size - AviStdIndexHeader::kSize) / AviStdIndexEntry::kSize) return kError;
  entries_ = count;
  entry_ = 0;
  loaded_ = true;
  ++next_super_;
  return kEntry;
}

IndexCursor::Result IndexCursor::Next(uint64_t* position, uint32_t* size) {
  if (super_ == nullptr) return kEnd;
  while (!loaded_ || entry_ >= entries_) {
    const Result r = LoadNext();
    if (r != kEntry) return r;
  }
  const AviStdIndexEntry entry =
      AviStdIndexEntry::Decode(current_.data() + AviStdIndexHeader::kSize + entry_ * AviStdIndexEntry::kSize);
  const uint64_t base = LoadU64(current_.data() + AviStdIndexHeader::kOffBaseOffset);
  // A zero size repeats the frame before it.
  if ((entry.dwSize & kSizeMask) != 0) position_ = base + entry.dwOffset - ChunkHeader::kSize;
  *position = position_;
  *size = entry.dwSize;
  ++entry_;
  ++yielded_;
  return kEntry;
}

// ---------------------------------------------------------------------------
// RefAviBuilder

RefAviBuilder::RefAviBuilder(FileSystem& fs, const char* output, const char* const* old_paths,
                             const char* const* new_paths, int* error_code, int* error_detail,
                             ProgressReporter* progress)
    : ChunkTreeParser(fs),
      fs_(fs),
      output_path_(output),
      new_paths_(new_paths),
      old_paths_(old_paths),
      error_code_out_(error_code),
      error_detail_out_(error_detail),
      progress_(progress) {}

RefAviBuilder::~RefAviBuilder() {
  if (writer_ != nullptr) writer_->Finish();
  writer_.reset();
  source_.Close();
}

int RefAviBuilder::SetError(int code, bool with_detail, int detail) {
  if (error_code_out_ != nullptr) *error_code_out_ = code;
  if (with_detail && error_detail_out_ != nullptr) *error_detail_out_ = detail;
  return 0;
}

int RefAviBuilder::Run(const char* source) {
  // The parser's own codes are not the step's: a source that cannot be
  // loaded leaves the code 0.
  set_error_outputs(nullptr, nullptr);
  if (mode_ == Mode::kRecover) set_tolerate_cut(true);
  int result = 0;
  if (Load(source)) result = mode_ == Mode::kRecover ? RecoverCopy() : OnNodeList(top_);
  // Frames that no index entry locates cannot be read: a source without a
  // usable index is a failure, not an empty success.
  if (result != 0 && chunks_copied_ == 0) result = SetError(ERR_REWRITE_READ, true, 0);
  // The output is closed with its headers whatever happened; a write lost in
  // the last flush or in the header rewrite fails the step like any other.
  if (writer_ != nullptr) {
    frames_written_ = writer_->video_frames_written();
    writer_->Finish();
    if (result != 0 && writer_->error_code() != 0) result = SetError(writer_->error_code(), false, 0);
  }
  writer_.reset();
  source_.Close();
  return result;
}

int RefAviBuilder::OnNodeList(NodeList& list) {
  chunk_counter_ = 0;
  for (auto& node : list) {
    int result = 1;
    if (!node->children.empty()) {
      result = OnNodeList(node->children);
    } else if (node->id == fcc::indx) {
      if (!index_copy_done_) {
        result = OpenDmlCopy();
        index_copy_done_ = true;
      }
    } else if (node->id == fcc::idx1) {
      result = LegacyCopy(*node);
    }
    if (!result) return 0;
  }
  return 1;
}

int RefAviBuilder::EnsureWriter() {
  if (writer_ != nullptr) return writer_->error_code() == 0 ? 1 : 0;
  reference_source_ = IsReferenceHandler(video_format().Compression());
  if (mode_ == Mode::kExport && reference_source_) {
    // The new file holds DV frames: its video is DV to every reader. The
    // header buffers are the ones the writer copies.
    if (video_strh() != nullptr && IsReferenceHandler(LoadU32(video_strh()->data() + 8 + AviStreamHeader::kOffHandler)))
      StoreU32(video_strh()->data() + 8 + AviStreamHeader::kOffHandler, fcc::dvsd);
    if (video_strf() != nullptr) StoreU32(video_strf()->data() + BitmapInfoHeader::kOffCompression, fcc::dvsd);
  }
  writer_.reset(new (std::nothrow) RefAviWriter(fs_));
  if (writer_ == nullptr) return SetError(ERR_REWRITE_MEMORY);
  writer_->set_exclusive(exclusive_);
  if (!writer_->Open(output_path_, this)) return SetError(writer_->error_code());
  return 1;
}

int RefAviBuilder::OpenDmlCopy() {
  const uint64_t resume = source_.Tell();
  // Each cursor may load the standard indexes the file can hold, twice over
  // (the audio cursor starts again after its first entry is measured).
  uint64_t budget = 2 * source_size() + kIndexBlockSize;
  IndexCursor video, audio;
  if (video_indx() != nullptr) video.Attach(video_indx(), &source_, &budget);
  if (audio_indx() != nullptr) audio.Attach(audio_indx(), &source_, &budget);
  if (!EnsureWriter()) return 0;

  uint32_t frames_per_audio = RefAviWriter::kFramesPerAudioChunk;
  if (video.attached() && audio.attached() && !writer_->odml() && avih() != nullptr && audio_strh() != nullptr &&
      audio_strf() != nullptr) {
    uint64_t position = 0;
    uint32_t first = 0;
    if (audio.Next(&position, &first) == IndexCursor::kEntry) {
      uint32_t block = audio_stream_header().SampleSize();
      if (block == 0) block = audio_format().BlockSize();
      const uint32_t rate = audio_format().SamplesPerSec();
      const uint32_t micro = main_header().MicroSecPerFrame();
      if (block != 0 && rate != 0 && micro != 0) {
        const uint32_t seconds = (first & kSizeMask) / block / rate;
        const double frames = seconds / (micro * 0.000001) + 0.5;
        frames_per_audio = frames >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(frames);
      }
    }
    audio.Attach(audio_indx(), &source_, &budget);
  }

  const uint32_t video_id = SuperIndexChunkId(video_indx());
  const uint32_t audio_id = SuperIndexChunkId(audio_indx());
  bool video_live = video.attached();
  bool audio_live = audio.attached();
  int result = 1;
  uint32_t i = 0;
  while (video_live || audio_live) {
    uint64_t position = 0;
    uint32_t size = 0;
    if (video_live) {
      const IndexCursor::Result r = video.Next(&position, &size);
      if (r == IndexCursor::kError) {
        result = SetError(ERR_REWRITE_READ, true, 0);
        break;
      }
      if (r == IndexCursor::kEntry) {
        result = CopyChunk(position, video_id, size);
        if (!result) break;
        ++i;
      } else {
        video_live = false;
      }
    }
    if (!audio_live) continue;
    if (video_live && i < frames_per_audio) continue;
    const IndexCursor::Result r = audio.Next(&position, &size);
    if (r == IndexCursor::kError) {
      result = SetError(ERR_REWRITE_READ, true, 0);
      break;
    }
    if (r == IndexCursor::kEntry) {
      result = CopyChunk(position, audio_id, size);
      if (!result) break;
    } else {
      audio_live = false;
    }
    i = 0;
  }
  video.Release();
  audio.Release();
  source_.Seek(static_cast<int64_t>(resume), PlainFile::kBegin);
  return result;
}

int RefAviBuilder::LegacyCopy(const ChunkNode& idx1) {
  if (video_indx() != nullptr || audio_indx() != nullptr) return 1;
  const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(idx1.size, idx1.DataSize()) / AviOldIndexEntry::kSize);
  const uint8_t* entries = idx1.Data();
  uint64_t base = movi_position();
  if (count > 0 && base < kIdx1AbsoluteLimit && AviOldIndexEntry::Decode(entries).dwChunkOffset >= base)
    base = 0;
  if (!EnsureWriter()) return 0;
  // A zero-length entry repeats the chunk before it of its own kind: in an
  // interleaved file the entry just before a repeated frame is audio.
  uint64_t previous_video = 0, previous_audio = 0;
  for (uint32_t k = 0; k < count; ++k) {
    const AviOldIndexEntry entry = AviOldIndexEntry::Decode(entries + k * AviOldIndexEntry::kSize);
    const char kind = ChunkKind(entry.ckid);
    uint64_t position = base + entry.dwChunkOffset;
    if (kind == kKindVideo || kind == kKindAudio) {
      uint64_t& previous = kind == kKindVideo ? previous_video : previous_audio;
      if ((entry.dwChunkLength & kSizeMask) == 0) position = previous;
      previous = position;
    }
    if (!CopyChunk(position, entry.ckid, entry.dwChunkLength)) return 0;
  }
  return 1;
}

bool RefAviBuilder::ReserveChunkBuffer(uint64_t size) {
  if (size <= chunk_capacity_) return true;
  chunk_.reset(new (std::nothrow) uint8_t[size]);
  chunk_capacity_ = chunk_ != nullptr ? size : 0;
  return chunk_ != nullptr;
}

int RefAviBuilder::ReadChunk(uint64_t position, uint32_t expected, uint32_t* size) {
  const uint64_t file_size = source_size();
  if (position > file_size || file_size - position < 8) return SetError(ERR_REWRITE_READ, true, 0);
  const uint64_t room = file_size - position - 8;
  // Header and data in one read when the index gives the size; the size in
  // the header decides.
  bool whole = false;
  uint8_t header[8];
  source_.Seek(static_cast<int64_t>(position), PlainFile::kBegin);
  if (expected != 0 && expected <= room) {
    if (!ReserveChunkBuffer(8 + static_cast<uint64_t>(expected))) return SetError(ERR_REWRITE_MEMORY);
    const size_t want = 8 + static_cast<size_t>(expected);
    if (source_.Read(chunk_.get(), want) != want) return SetError(ERR_REWRITE_READ, true, 0);
    std::memcpy(header, chunk_.get(), 8);
    whole = LoadU32(header + 4) == expected;
  } else if (source_.Read(header, 8) != 8) {
    return SetError(ERR_REWRITE_READ, true, 0);
  }
  *size = LoadU32(header + 4);
  if (whole) return 1;
  // The chunk must lie in the file before any room is taken for it.
  if (*size > room) return SetError(ERR_REWRITE_READ, true, 0);
  if (!ReserveChunkBuffer(8 + static_cast<uint64_t>(*size))) return SetError(ERR_REWRITE_MEMORY);
  std::memcpy(chunk_.get(), header, 8);
  source_.Seek(static_cast<int64_t>(position + 8), PlainFile::kBegin);
  if (*size != 0 && source_.Read(chunk_.get() + 8, *size) != *size) return SetError(ERR_REWRITE_READ, true, 0);
  return 1;
}

int RefAviBuilder::CopyChunk(uint64_t position, uint32_t id, uint32_t index_size) {
  if (!EnsureWriter()) return 0;
  const char kind = ChunkKind(id);
  if (kind == kKindVideo || kind == kKindAudio) {
    // Position 0 is the RIFF header, never a frame: an entry there (a repeat
    // with no frame before it) would copy the whole source as one chunk.
    if (position == 0) return SetError(ERR_REWRITE_READ, true, 0);
    uint32_t size = 0;
    if (!ReadChunk(position, index_size & kSizeMask, &size)) return 0;
    // An entry of size 0 repeats the chunk before it: whether that chunk is a
    // REF record is a matter of its own size, or a repeated reference would
    // keep its old path.
    const uint32_t test_size = (index_size & kSizeMask) != 0 ? (index_size & kSizeMask) : size;
    const bool reference = kind == kKindVideo && reference_source_ && IsReferenceChunkSize(test_size);
    const uint8_t* data = chunk_.get() + 8;
    ByteBuffer record;
    if (reference && mode_ == Mode::kExport) {
      // A repeated frame (an entry of size 0) names the frame before it.
      if (size != 0 && !ReadReferencedFrame(data, size)) return 0;
      if (!frame_ready_) return SetError(ERR_REWRITE_READ, true, 0);
      data = frame_chunk_.data() + ChunkHeader::kSize;
      size = static_cast<uint32_t>(frame_chunk_.size() - ChunkHeader::kSize);
    } else if (reference) {
      try {
        record.assign(data, data + size);
      } catch (const std::bad_alloc&) {
        return SetError(ERR_REWRITE_MEMORY);
      }
      if (!ReplaceLink(&record)) return 0;
      data = record.data();
      size = static_cast<uint32_t>(record.size());
    }
    const int written = kind == kKindVideo ? writer_->WriteVideoChunk(data, size)
                                           : writer_->WriteAudioChunk(data, size, 0);
    if (!written) return SetError(writer_->error_code());
    ++chunks_copied_;
  }
  return ReportProgress();
}

int RefAviBuilder::ReplaceLink(ByteBuffer* data) {
  constexpr size_t kPath = RefRecordLayout::kOffPath;
  if (data->size() < RefRecordLayout::kHeaderSize || LoadU32(data->data()) != fcc::REF_) {
    return SetError(ERR_REWRITE_READ, true, 0);
  }
  // The recorded path must end inside the chunk.
  const uint8_t* path = data->data() + kPath;
  const void* nul = std::memchr(path, 0, data->size() - kPath);
  if (nul == nullptr) return SetError(ERR_REWRITE_READ, true, 0);
  const size_t old_length = static_cast<const uint8_t*>(nul) - path;
  for (size_t k = 0; old_paths_[k] != nullptr; ++k) {
    if (std::strlen(old_paths_[k]) != old_length || std::memcmp(old_paths_[k], path, old_length) != 0) continue;
    const char* replacement = new_paths_[k];
    const size_t new_length = std::strlen(replacement);
    const int64_t delta = (static_cast<int64_t>(new_length) - static_cast<int64_t>(old_length) + 3) / 4 * 4;
    int64_t new_size = static_cast<int64_t>(data->size()) + delta;
    int64_t path_length = static_cast<int64_t>(LoadU32(data->data() + RefRecordLayout::kOffPathLength)) + delta;
    if (new_size > kMaxRefRecordSize) {
      // A record padded beyond its path would grow past the largest REF
      // record and stop being read as one: keep just the field the path needs.
      new_size = static_cast<int64_t>(kPath + RefPathFieldSize(static_cast<uint32_t>(new_length)));
      path_length = static_cast<int64_t>(new_length);
    }
    // The length word never claims less than the path it sizes.
    path_length = std::clamp<int64_t>(path_length, static_cast<int64_t>(new_length), 0xFFFFFFFF);
    ByteBuffer record;
    try {
      record.assign(static_cast<size_t>(new_size), 0);
    } catch (const std::bad_alloc&) {
      return SetError(ERR_REWRITE_MEMORY);
    }
    std::memcpy(record.data(), data->data(), RefRecordLayout::kOffPathLength);
    StoreU32(record.data() + RefRecordLayout::kOffPathLength, static_cast<uint32_t>(path_length));
    std::memcpy(record.data() + kPath, replacement, new_length);
    data->swap(record);
    break;
  }
  return 1;
}

int RefAviBuilder::ReadReferencedFrame(const uint8_t* record, uint32_t size) {
  constexpr size_t kPath = RefRecordLayout::kOffPath;
  if (size < RefRecordLayout::kHeaderSize || LoadU32(record) != fcc::REF_) return SetError(ERR_REWRITE_READ, true, 0);
  const void* nul = std::memchr(record + kPath, 0, size - kPath);
  if (nul == nullptr) return SetError(ERR_REWRITE_READ, true, 0);
  const std::string path(reinterpret_cast<const char*>(record + kPath), static_cast<const uint8_t*>(nul) - (record + kPath));
  if (data_file_ == nullptr || path != data_path_) {
    data_file_.reset();
    data_path_ = path;
    data_file_ = fs_.Open(path, OpenMode::kRead);
    if (data_file_ == nullptr) return SetError(ERR_REWRITE_READ, true, 0);
  }
  // The record names the frame's chunk header; the chunk must be a video
  // frame of this file's DV size, as the content check found it. Header and
  // frame come in one read.
  const uint64_t offset = LoadU32(record + RefRecordLayout::kOffOffset);
  const uint32_t frame_size = DvFrameSize(main_header().Height());
  try {
    frame_chunk_.resize(ChunkHeader::kSize + frame_size);
  } catch (const std::bad_alloc&) {
    return SetError(ERR_REWRITE_MEMORY);
  }
  if (data_file_->ReadAt(offset, frame_chunk_.data(), frame_chunk_.size()) != frame_chunk_.size() ||
      ChunkKind(LoadU32(frame_chunk_.data())) != kKindVideo || LoadU32(frame_chunk_.data() + 4) != frame_size) {
    return SetError(ERR_REWRITE_READ, true, 0);
  }
  frame_ready_ = true;
  return 1;
}

namespace {

// Largest chunks a recovery takes as whole: a DV frame of the largest kind
// with room to spare, and a sound chunk of several seconds.
constexpr uint32_t kRecoverMaxVideo = 1u << 20;
constexpr uint32_t kRecoverMaxAudio = 1u << 24;

}  // namespace

int RefAviBuilder::WalkMovi(bool copy) {
  walk_ = MoviWalk();
  const uint64_t file_size = source_size();
  const ChunkNode* movi = Lookup(fcc::movi, 1, kForward);
  if (movi == nullptr || movi_position() == 0) return SetError(ERR_REWRITE_READ, true, 0);
  // movi_position() is where the list type lies; the list's data starts there.
  uint64_t list_end = movi_position() + movi->size;
  uint64_t pos = movi_position() + 4;
  bool in_movi = true;
  const uint32_t frame_size = DvFrameSize(main_header().Height());
  auto damage = [&]() {
    walk_.damaged = true;
    walk_.damage_at = pos;
    return 1;
  };
  // Every pass moves pos forward by at least 8 bytes, and the walk ends at
  // the end of the file: it cannot run on.
  for (;;) {
    if (in_movi && (pos >= list_end || list_end - pos < ChunkHeader::kSize)) {
      in_movi = false;
      // A list that claims more than the file holds ends with the file.
      pos = std::max(pos, std::min(list_end, file_size));
    }
    if (pos == file_size) return 1;
    if (pos > file_size || file_size - pos < ChunkHeader::kSize) return damage();
    uint8_t header[12];
    const size_t have = static_cast<size_t>(std::min<uint64_t>(sizeof header, file_size - pos));
    source_.Seek(static_cast<int64_t>(pos), PlainFile::kBegin);
    if (source_.Read(header, have) != have) return damage();
    const uint32_t id = LoadU32(header);
    const uint32_t size = LoadU32(header + 4);
    const uint64_t room = file_size - pos - ChunkHeader::kSize;
    const uint64_t next = pos + NodeLength(size);
    if (id == fcc::RIFF || id == fcc::LIST) {
      if (have < 12 || size < 4) return damage();
      const uint32_t type = LoadU32(header + 8);
      if (!in_movi && id == fcc::RIFF && type == fcc::AVIX) {
        pos += 12;
      } else if (!in_movi && id == fcc::LIST && type == fcc::movi) {
        in_movi = true;
        list_end = pos + 8 + static_cast<uint64_t>(size);
        pos += 12;
      } else if (in_movi && id == fcc::LIST && type == fcc::rec_) {
        pos += 12;  // its chunks are walked as the list's own
      } else if (!in_movi && size <= room) {
        pos = std::min(next, file_size);  // another list between the RIFFs (its pad byte may be cut)
      } else {
        return damage();
      }
      continue;
    }
    const char kind = ChunkKind(id);
    if (in_movi && IsStreamChunkId(id) && (kind == kKindVideo || kind == kKindAudio)) {
      if (size > room || size > (kind == kKindVideo ? kRecoverMaxVideo : kRecoverMaxAudio)) return damage();
      if (kind == kKindVideo && reference_source_ && size != 0 && size != frame_size) {
        // A REF record must be one: a cut or overwritten chunk is not.
        uint8_t magic[4];
        if (!IsReferenceChunkSize(size) || size < RefRecordLayout::kHeaderSize) return damage();
        source_.Seek(static_cast<int64_t>(pos + ChunkHeader::kSize), PlainFile::kBegin);
        if (source_.Read(magic, 4) != 4 || LoadU32(magic) != fcc::REF_) return damage();
      }
      if (copy) {
        // The count of the first walk bounds the copy.
        if (kind == kKindVideo && walk_.frames >= total_frames()) return 1;
        if (!CopyChunk(pos, id, size)) return 0;
      }
      if (kind == kKindVideo) {
        ++walk_.frames;
        if (walk_.frames == 0xFFFFFFFFu) return damage();
      } else {
        ++walk_.audio_chunks;
        walk_.audio_bytes += size;
      }
    } else if (id == fcc::JUNK || IsStdIndexChunkId(id) || (!in_movi && id == fcc::idx1)) {
      if (size > room) return damage();
    } else {
      return damage();
    }
    // Every chunk taken lies in the file; only the pad byte of the last may
    // be missing.
    pos = std::min(next, file_size);
  }
}

int RefAviBuilder::RecoverCopy() {
  reference_source_ = IsReferenceHandler(video_format().Compression());
  if (!WalkMovi(false)) return 0;
  if (walk_.frames == 0 || video_strh() == nullptr) return SetError(ERR_REWRITE_READ, true, 0);
  const MoviWalk found = walk_;
  set_counts(found.frames, found.audio_chunks);
  if (!EnsureWriter()) return 0;
  if (!WalkMovi(true)) return 0;
  walk_ = found;
  // Fresh counts in the stream headers: the frames kept and their sound.
  StoreU32(video_strh()->data() + 8 + AviStreamHeader::kOffLength, found.frames);
  if (audio_strh() != nullptr) {
    const uint32_t block = audio_format().BlockSize();
    const uint64_t samples = block != 0 ? found.audio_bytes / block : found.audio_bytes;
    StoreU32(audio_strh()->data() + 8 + AviStreamHeader::kOffLength,
             static_cast<uint32_t>(std::min<uint64_t>(samples, 0xFFFFFFFFu)));
  }
  return 1;
}

int RefAviBuilder::ReportProgress() {
  if (progress_ == nullptr) return 1;
  if (!progress_->Running()) return SetError(ERR_REWRITE_CANCELLED);
  const uint32_t total = total_frames();
  const double value = total != 0 ? static_cast<double>(chunk_counter_) / total * 100.0 : 0.0;
  const int percent = value >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                                 : static_cast<int>(value);
  ++chunk_counter_;
  progress_->Report(percent);
  return 1;
}

// ---------------------------------------------------------------------------
// The entry

namespace {

// The folder part of a path, separator included ("" for a bare name).
std::string FolderOf(const std::string& path) {
  std::string folder = WinPath().Folder(path);
  if (folder.empty() && path.size() >= 2 && path[1] == ':') folder = path.substr(0, 2);  // "C:name"
  return folder;
}

// A name in `folder` that nothing uses yet.
std::string FreeName(FileSystem& fs, const std::string& folder, const char* stem) {
  for (int k = 0; k < 100000; ++k) {
    std::string candidate = folder + stem + std::to_string(k) + ".tmp";
    if (!fs.Exists(candidate)) return candidate;
  }
  return folder + stem + ".tmp";
}

// The first of STEM0.tmp, STEM1.tmp, ... in `folder` that can be created
// exclusively, created empty: a name another run took is passed over, never
// written into. Only its creator deletes such a name, so the file may be
// reopened for writing. "" when none could be created.
std::string ReserveFreeName(FileSystem& fs, const std::string& folder, const char* stem) {
  for (int k = 0; k < 100000; ++k) {
    std::string candidate = folder + stem + std::to_string(k) + ".tmp";
    std::unique_ptr<File> file = fs.Open(candidate, OpenMode::kCreateNewWrite);
    if (file != nullptr) {
      if (file->Close()) return candidate;
      fs.Delete(candidate);
      return std::string();
    }
    const uint32_t error = GetLastSystemError();
    if (error != kErrorFileExists && error != kErrorAlreadyExists) return std::string();
  }
  return std::string();
}

}  // namespace

std::string ReserveFreeNameBeside(FileSystem& fs, const std::string& beside, const char* stem) {
  return ReserveFreeName(fs, FolderOf(beside), stem);
}

int CreateRefAvi(FileSystem& fs, const char* source, const char* output, const char* const* old_paths,
                 const char* const* new_paths, int* error_code, int* error_detail, ProgressReporter* progress,
                 bool exclusive) {
  auto fail_arguments = [&]() {
    if (error_code != nullptr) *error_code = ERR_REWRITE_ARGUMENT;
    return 0;
  };
  if (source == nullptr || output == nullptr || old_paths == nullptr || new_paths == nullptr) return fail_arguments();
  size_t pairs = 0;
  for (; old_paths[pairs] != nullptr || new_paths[pairs] != nullptr; ++pairs) {
    if (old_paths[pairs] == nullptr || new_paths[pairs] == nullptr) return fail_arguments();
    // A REF record holds at most 259 characters of path.
    if (std::strlen(new_paths[pairs]) >= kMaxRefPath) return fail_arguments();
  }
  if (error_code == nullptr || error_detail == nullptr) return fail_arguments();
  *error_code = 0;
  *error_detail = -1;

  // Writing over the source itself goes through a temporary file beside it
  // (same folder, so the renames stay on one volume).
  bool same = std::strcmp(source, output) == 0;
  if (!same) {
    FileIdentity a, b;
    same = fs.Identity(source, &a) && fs.Identity(output, &b) && a == b;
  }
  if (!same) {
    RefAviBuilder builder(fs, output, old_paths, new_paths, error_code, error_detail, progress);
    builder.set_exclusive(exclusive);
    return builder.Run(source);
  }

  const std::string folder = FolderOf(output);
  const std::string temp = ReserveFreeName(fs, folder, "~mendora");
  if (temp.empty()) {
    *error_code = ERR_REWRITE_CREATE;
    *error_detail = kDetailWrite;
    return 0;
  }
  int result;
  {
    RefAviBuilder builder(fs, temp.c_str(), old_paths, new_paths, error_code, error_detail, progress);
    result = builder.Run(source);
  }
  auto delete_temp = [&]() {
    if (!fs.Delete(temp) && fs.Exists(temp)) {
      *error_code = ERR_REWRITE_CREATE;
      *error_detail = kDetailWrite;
    }
  };
  if (!result) {
    delete_temp();
    return 0;
  }
  const std::string backup = FreeName(fs, folder, "~mendora-old");
  if (!fs.Rename(source, backup, false)) {
    *error_code = ERR_REWRITE_CREATE;
    *error_detail = 0;
    delete_temp();
    return 0;
  }
  if (!fs.Rename(temp, source, false)) {
    *error_code = ERR_REWRITE_CREATE;
    *error_detail = kDetailWrite;
    if (!fs.Rename(backup, source, false)) *error_detail = 0;
    delete_temp();
    return 0;
  }
  // The new file is in place; a backup that cannot be removed stays.
  fs.Delete(backup);
  return 1;
}

}  // namespace mendora
