#include "rewrite/RefAviWriter.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/last_error.h"
#include "rewrite/ChunkTreeParser.h"

namespace mendora {
namespace {

// What the plan reserves beside the frames, in bytes or frames.
// The header chunks (RIFF, "hdrl", "avih", the stream lists).
constexpr uint64_t kHeaderAllowance = 310;
// The same with the two super indexes of an OpenDML file.
constexpr uint64_t kOdmlHeaderAllowance = 2 * kIndexBlockSize + kHeaderAllowance;  // 33078
// Audio may run this many frames ahead of the video it goes with.
constexpr uint64_t kAudioLeadFrames = 100;

constexpr size_t kSuperEntries = AviSuperIndexHeader::kChunkOffEntries;
constexpr size_t kSuperInUse = AviSuperIndexHeader::kChunkOffEntriesInUse;

}  // namespace

RefAviWriter::RefAviWriter(FileSystem& fs) : file_(fs) {
  output_ = &file_;
  error_code_ = &error_code_value_;
}

RefAviWriter::~RefAviWriter() { file_.Close(); }

int RefAviWriter::Open(const char* path, ChunkTreeParser* source) {
  if (path == nullptr || source == nullptr) return Fail(ERR_REWRITE_ARGUMENT);
  avih_ = source->avih();
  video_strh_ = source->video_strh();
  audio_strh_ = source->audio_strh();
  audio_strf_ = source->audio_strf();
  total_frames_ = source->total_frames();
  has_video_ = video_strh_ != nullptr;
  has_audio_ = audio_strh_ != nullptr;
  main_header_ = DataView<MainHeaderView>(avih_, ChunkHeader::kSize);
  video_header_ = DataView<StreamHeaderView>(video_strh_, ChunkHeader::kSize);
  audio_header_ = DataView<StreamHeaderView>(audio_strh_, ChunkHeader::kSize);
  audio_format_ = DataView<WaveFormatView>(audio_strf_, 0);
  // Every field written at the end lives in "avih".
  if (avih_ == nullptr) return Fail(ERR_REWRITE_TREE);
  frame_size_ = DvFrameSize(main_header_.Height());

  if (has_audio_ && audio_strf_ != nullptr && audio_header_.SampleSize() == 0)
    audio_header_.SetSampleSize(audio_format_.BlockSize());
  if (!Plan(source)) return 0;
  if (!BuildHeaderTree(source)) return 0;
  if (!file_.Open(path, exclusive_ ? OpenMode::kCreateNewWrite : OpenMode::kCreateWrite)) {
    const uint32_t error = GetLastSystemError();
    const bool taken = exclusive_ && (error == kErrorFileExists || error == kErrorAlreadyExists);
    return Fail(taken ? ERR_REWRITE_TEMP_TAKEN : ERR_REWRITE_CREATE);
  }
  created_ = true;
  riff_start_ = 0;
  video_index_.base = audio_index_.base = 0;
  if (!GoToFirstChunk()) return 0;
  RecomputeSizes();
  return 1;
}

int RefAviWriter::InitStreamIndex(StreamIndex& index, uint32_t chunk_id) {
  try {
    index.super = std::make_shared<ByteBuffer>(kIndexBlockSize, 0);
  } catch (const std::bad_alloc&) {
    return Fail(ERR_REWRITE_MEMORY);
  }
  uint8_t* p = index.super->data();
  StoreU32(p, fcc::indx);
  StoreU32(p + 4, kIndexChunkDataSize);
  AviSuperIndexHeader header;
  header.nEntriesInUse = 1;
  header.dwChunkId = chunk_id;
  header.Encode(p + ChunkHeader::kSize);
  for (uint32_t k = 0; k < kSuperIndexMaxEntries; ++k) {
    AviSuperIndexEntry entry;
    entry.dwSize = kIndexBlockSize;
    entry.Encode(p + kSuperEntries + k * AviSuperIndexEntry::kSize);
  }
  index.chunk_id = chunk_id;
  return 1;
}

int RefAviWriter::Plan(ChunkTreeParser* source) {
  const uint64_t total = total_frames_;
  uint64_t capacity = total;
  if (has_video_) {
    const uint64_t frame = frame_size_;
    const uint64_t video_bytes = (frame + ChunkHeader::kSize) * total;
    uint64_t per_frame = 0;  // audio bytes per video frame
    if (has_audio_) {
      const uint64_t block = audio_format_.BlockSize();
      const uint32_t scale = audio_header_.Scale();
      const uint64_t per_second = block * (audio_header_.Rate() / (scale != 0 ? scale : 1));
      const uint32_t micro = main_header_.MicroSecPerFrame();
      if (micro != 0) {
        // Bytes per frame; kept within 32 bits so the sums below cannot wrap.
        const double bytes = static_cast<double>(per_second) / (1000000.0 / micro);
        per_frame = bytes >= 4294967295.0 ? 0xFFFFFFFFull : static_cast<uint64_t>(bytes);
      }
    }
    const uint64_t audio_bytes = (total + kAudioLeadFrames) * per_frame;
    // One idx1 entry per frame beside the chunks and the headers.
    const uint64_t estimate =
        AviOldIndexEntry::kSize * total + audio_bytes + video_bytes + kHeaderAllowance;
    if (estimate > kRiffSizeLimit) {
      odml_ = true;
      // Video chunks per standard index: as many as one RIFF holds with their
      // audio, at most what one index chunk has room for.
      const uint64_t lead = kAudioLeadFrames * per_frame;
      const uint64_t room = lead < kRiffSizeLimit ? kRiffSizeLimit - lead : 0;
      const uint64_t frames_per_index = std::clamp<uint64_t>(room / (frame + per_frame), 1, kStdIndexMaxEntries);
      // Standard indexes per stream: one per frames_per_index frames, and one
      // to spare.
      uint64_t indexes = total / frames_per_index + 1;
      // The whole file: the audio index blocks (one audio chunk per
      // kFramesPerAudioChunk frames), the video index blocks, the chunks and
      // the headers. Each continuation RIFF it needs may open one more index.
      const uint64_t audio_blocks = (total / kFramesPerAudioChunk) / frames_per_index + 1;
      const uint64_t file_size = audio_blocks * kIndexBlockSize + indexes * kIndexBlockSize + audio_bytes +
                                 video_bytes + kOdmlHeaderAllowance;
      if (file_size > kRiffSizeLimit) {
        indexes += 1;
        if (file_size - kRiffSizeLimit > kRiffSizeLimit) indexes += (file_size - kRiffSizeLimit) / kRiffSizeLimit;
      }
      // Each 4 GiB of file past the first may start one more index per
      // stream (see Reserve).
      const uint64_t far_starts = file_size / 0xFFFFFFFFull;
      frames_per_index_ = static_cast<uint32_t>(frames_per_index);
      planned_indexes_ = static_cast<uint32_t>(std::min<uint64_t>(indexes, 0xFFFFFFFFu));
      if (!InitStreamIndex(video_index_, fcc::id00db)) return 0;
      video_index_.planned = static_cast<uint32_t>(std::min<uint64_t>(planned_indexes_ + far_starts, kMaxStdIndexes));
      if (has_audio_) {
        if (!InitStreamIndex(audio_index_, fcc::id01wb)) return 0;
        // Audio comes in chunks of any length, often more than one per
        // frame: plan for the chunks the source's index lists.
        const uint64_t audio_chunks = source->CountAudioEntries();
        const uint64_t needed = audio_chunks / kStdIndexMaxEntries + 1 + far_starts;
        audio_index_.planned =
            static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(indexes, needed), kMaxStdIndexes));
      }
      capacity = frames_per_index;
      try {
        dmlh_ = std::make_shared<ByteBuffer>(ChunkHeader::kSize + kDmlhDataSize, 0);
      } catch (const std::bad_alloc&) {
        return Fail(ERR_REWRITE_MEMORY);
      }
      StoreU32(dmlh_->data(), fcc::dmlh);
      StoreU32(dmlh_->data() + 4, kDmlhDataSize);
      StoreU32(dmlh_->data() + ChunkHeader::kSize + kDmlhOffTotalFrames, total_frames_);
    }
  }
  idx1_capacity_ = static_cast<uint32_t>(std::min<uint64_t>(capacity, 0x0FFFFFFF));
  try {
    idx1_ = std::make_shared<ByteBuffer>();
    // The capacity comes from the source's header: reserve a bounded part
    // of it and let the array grow with the chunks actually written.
    idx1_->reserve(std::min<size_t>(idx1_capacity_, 1 << 16) * AviOldIndexEntry::kSize);
  } catch (const std::bad_alloc&) {
    return Fail(ERR_REWRITE_MEMORY);
  }
  return 1;
}

// The type of the stream a "strl" describes (its "strh" fccType), or 0.
static uint32_t StreamListType(const ChunkNode& node) {
  if (node.id != fcc::LIST || node.list_type != fcc::strl) return 0;
  for (const auto& child : node.children)
    if (child->id == fcc::strh) return DataView<StreamHeaderView>(child->data, child->data_offset).Type();
  return 0;
}

int RefAviWriter::CopyNodes(const NodeList& list, int depth) {
  // Video is written as stream 0 ("00db") and audio as stream 1 ("01wb"), so
  // a source that lists its audio stream first has its stream lists swapped.
  std::vector<const ChunkNode*> order;
  for (const auto& node : list) order.push_back(node.get());
  size_t first_audio = order.size();
  for (size_t k = 0; k < order.size(); ++k) {
    const uint32_t type = StreamListType(*order[k]);
    if (type == fcc::auds && first_audio == order.size()) first_audio = k;
    if (type == fcc::vids && first_audio < k) {
      std::swap(order[first_audio], order[k]);
      break;
    }
  }
  for (const ChunkNode* node : order) {
    const uint32_t id = node->id;
    const uint32_t type = node->list_type;
    if (id == fcc::idx1 || id == fcc::JUNK || id == fcc::dmlh) continue;
    if ((id == fcc::LIST || id == fcc::RIFF) && (type == fcc::movi || type == fcc::odml || type == fcc::AVIX)) {
      if (!CopyNodes(node->children, depth + 1)) return 0;
      continue;
    }
    if (id == fcc::indx) {
      if (!odml_) continue;
      const bool audio = !has_video_ || (last_stream_type_ == fcc::auds);
      StreamIndex& index = audio && has_audio_ ? audio_index_ : video_index_;
      if (index.super == nullptr) continue;
      const int n = has_video_ && last_stream_type_ == fcc::auds ? 2 : 1;
      ChunkNode* added = AppendUnder(fcc::indx, kIndexChunkDataSize, 0, fcc::strl, n, kForward);
      added->data = index.super;
      added->data_offset = 8;
      (&index == &audio_index_ ? audio_super_placed_ : video_super_placed_) = true;
      continue;
    }
    ChunkNode* copy = AppendAtDepth(id, node->size, type, depth);
    if (copy == nullptr) return 0;
    if (id == fcc::strh) last_stream_type_ = DataView<StreamHeaderView>(node->data, node->data_offset).Type();
    if (!node->children.empty()) {
      if (!CopyNodes(node->children, depth + 1)) return 0;
    } else {
      // The headers stay shared with the source items, so the values set at
      // the end reach the file; nobody changes the other buffers.
      copy->data = node->data;
      copy->data_offset = node->data_offset;
    }
  }
  return 1;
}

int RefAviWriter::BuildHeaderTree(ChunkTreeParser* source) {
  // The first RIFF "AVI " is the header; continuations are rebuilt.
  const ChunkNode* first = nullptr;
  for (const auto& node : source->top_level()) {
    if (node->id == fcc::RIFF && node->list_type == fcc::AVI_) {
      first = node.get();
      break;
    }
  }
  if (first == nullptr) return Fail(ERR_REWRITE_TREE);
  top_.push_back(std::make_unique<ChunkNode>(fcc::RIFF, 4, fcc::AVI_));
  if (!CopyNodes(first->children, 1)) return 0;

  if (odml_) {
    if (has_video_ && !video_super_placed_) {
      ChunkNode* added = AppendUnder(fcc::indx, kIndexChunkDataSize, 0, fcc::strl, 1, kForward);
      added->data = video_index_.super;
      added->data_offset = 8;
    }
    if (has_audio_ && !audio_super_placed_) {
      ChunkNode* added = AppendUnder(fcc::indx, kIndexChunkDataSize, 0, fcc::strl, has_video_ ? 2 : 1, kForward);
      added->data = audio_index_.super;
      added->data_offset = 8;
    }
    AppendUnder(fcc::LIST, 4, fcc::odml, fcc::hdrl, 1, kForward);
    ChunkNode* dmlh = AppendUnder(fcc::dmlh, kDmlhDataSize, 0, fcc::odml, 1, kForward);
    dmlh->data = dmlh_;
    dmlh->data_offset = 8;
  }
  if (error_code_value_ != 0) return 0;
  if (!AppendPadJunk()) return 0;
  movi_ = AppendAtDepth(fcc::LIST, 4, fcc::movi, 1);
  if (movi_ == nullptr) return 0;
  const uint64_t idx1_size = static_cast<uint64_t>(idx1_capacity_) * AviOldIndexEntry::kSize;
  idx1_node_ = AppendAtDepth(fcc::idx1, static_cast<uint32_t>(std::min<uint64_t>(idx1_size, kRiffSizeLimit)), 0, 1);
  if (idx1_node_ == nullptr) return 0;
  idx1_node_->data = idx1_;
  RecomputeSizes();
  return 1;
}

int RefAviWriter::AppendPadJunk() {
  const uint64_t end = RecomputeSizes();
  const uint32_t pad = MoviPadSize(end);
  if (pad > 8) {
    ChunkNode* junk = AppendUnder(fcc::JUNK, pad - 8, 0, fcc::RIFF, 1, kBackward);
    try {
      junk->data = std::make_shared<ByteBuffer>(pad - 8, 0);
    } catch (const std::bad_alloc&) {
      return Fail(ERR_REWRITE_MEMORY);
    }
    RecomputeSizes();
  }
  return 1;
}

void RefAviWriter::AddIdx1Entry(uint32_t ckid, uint32_t flags, uint32_t offset, uint32_t length) {
  uint8_t entry[AviOldIndexEntry::kSize];
  AviOldIndexEntry{ckid, flags, offset, length}.Encode(entry);
  idx1_->insert(idx1_->end(), entry, entry + sizeof entry);
  ++idx1_count_;
}

uint32_t RefAviWriter::SuperEntriesInUse(const StreamIndex& index) const {
  return index.super == nullptr ? 0 : LoadU32(index.super->data() + kSuperInUse);
}

ByteBuffer* RefAviWriter::CurrentStdIndex(StreamIndex& index) {
  const uint32_t in_use = SuperEntriesInUse(index);
  if (in_use == 0 || in_use > index.standard.size()) return nullptr;
  return index.standard[in_use - 1].get();
}

// Opens the next standard index of a stream: its block is reserved at the
// current position, the chunks after it are indexed from the block's end.
int RefAviWriter::StartStdIndex(StreamIndex& index) {
  const uint32_t in_use = static_cast<uint32_t>(index.standard.size());
  if (in_use + 1 > index.planned) return Fail(ERR_REWRITE_LIMIT);
  std::unique_ptr<ByteBuffer> block;
  try {
    block = std::make_unique<ByteBuffer>(kIndexBlockSize, 0);
    index.standard.reserve(index.standard.size() + 1);
  } catch (const std::bad_alloc&) {
    return Fail(ERR_REWRITE_MEMORY);
  }
  AviStdIndexHeader header;
  header.fcc = ChunkKind(index.chunk_id) == kKindVideo ? fcc::ix00 : fcc::ix01;
  header.cb = kIndexChunkDataSize;
  header.dwChunkId = index.chunk_id;
  header.Encode(block->data());

  const uint64_t at = file_.Tell();
  uint8_t* entry = index.super->data() + kSuperEntries + in_use * AviSuperIndexEntry::kSize;
  StoreU64(entry, at);
  file_.Seek(kIndexBlockSize, PlainFile::kCurrent);
  // The first standard index holds absolute positions (base 0).
  if (in_use > 0) index.base = file_.Tell();
  movi_->size += kIndexBlockSize;
  if (InFirstRiff()) {
    if (open_7fxx_ == SIZE_MAX) {
      open_7fxx_ = idx1_->size();
      AddIdx1Entry(fcc::id7Fxx, 0, static_cast<uint32_t>(at), 0);
    }
    uint8_t* length = idx1_->data() + open_7fxx_ + AviOldIndexEntry::kOffChunkLength;
    StoreU32(length, LoadU32(length) + kIndexBlockSize);
  }
  StoreU32(index.super->data() + kSuperInUse, in_use + 1);
  index.standard.push_back(std::move(block));
  return 1;
}

int RefAviWriter::GoToFirstChunk() {
  uint64_t movi = 0;
  if (!OffsetOf(fcc::movi, 1, &movi)) return 0;
  file_.Seek(static_cast<int64_t>(movi + 12), PlainFile::kBegin);
  if (odml_) {
    open_7fxx_ = SIZE_MAX;
    // StartStdIndex counts the entries already in use; the first block is
    // entry 0 of a super index that starts with one entry in use.
    StoreU32(video_index_.super->data() + kSuperInUse, 0);
    if (!StartStdIndex(video_index_)) return 0;
    if (has_audio_) {
      StoreU32(audio_index_.super->data() + kSuperInUse, 0);
      if (!StartStdIndex(audio_index_)) return 0;
    }
    open_7fxx_ = SIZE_MAX;
  }
  return 1;
}

int RefAviWriter::StartContinuation() {
  if (InFirstRiff()) {
    main_header_.SetFlags(main_header_.Flags() | AVIF_HASINDEX);
    idx1_node_->size = idx1_count_ * AviOldIndexEntry::kSize;
  }
  riff_start_ = RecomputeSizes();
  ChunkNode* riff = AppendAtDepth(fcc::RIFF, 4, fcc::AVIX, 0);
  if (riff == nullptr || !AppendPadJunk()) return 0;
  movi_ = AppendAtDepth(fcc::LIST, 4, fcc::movi, 1);
  if (movi_ == nullptr) return 0;
  file_.Seek(static_cast<int64_t>(RecomputeSizes()), PlainFile::kBegin);
  return 1;
}

int RefAviWriter::Reserve(bool video, uint32_t size) {
  if (video && static_cast<uint64_t>(video_frames_) + 1 > total_frames_) return Fail(ERR_REWRITE_LIMIT);
  const uint64_t chunk = 8 + RoundedSize(size & kSizeMask);
  const uint64_t at = file_.Tell();
  const uint64_t idx1_bytes = static_cast<uint64_t>(idx1_count_) * AviOldIndexEntry::kSize;
  if (!odml_) {
    // The RIFF, idx1 included, must stay within its limit.
    if (at + chunk + 8 + idx1_bytes + AviOldIndexEntry::kSize > kRiffSizeLimit) return Fail(ERR_REWRITE_LIMIT);
    return 1;
  }
  auto full = [](StreamIndex& index, RefAviWriter* self) {
    ByteBuffer* current = self->CurrentStdIndex(index);
    return current != nullptr &&
           LoadU32(current->data() + AviStdIndexHeader::kOffEntriesInUse) + 1 > kStdIndexMaxEntries;
  };
  // A standard index gives 32-bit offsets from its base. A chunk whose data
  // could lie 4 GiB or more past the base of its stream's index starts a new
  // one, as OpenDML allows: the first index of each stream has base 0, so a
  // file past 4 GiB needs this for its sound. The allowance covers what may
  // come before the chunk: the index blocks and a continuation's headers.
  constexpr uint64_t kAhead = 2 * kIndexBlockSize + 2 * kMoviAlignment;
  auto far = [&](const StreamIndex& index) { return at + kAhead + chunk - index.base > 0xFFFFFFFFull; };
  const bool video_full = full(video_index_, this) || (video && far(video_index_));
  const bool audio_full = has_audio_ && (full(audio_index_, this) || (!video && far(audio_index_)));
  const uint64_t blocks = (video_full ? 1 : 0) + (audio_full ? 1 : 0);
  const uint64_t end = at + blocks * kIndexBlockSize + chunk;
  bool new_riff;
  if (InFirstRiff()) {
    const uint64_t entries = 1 + (blocks != 0 ? 1 : 0);
    new_riff = end + 8 + idx1_bytes + entries * AviOldIndexEntry::kSize > kRiffSizeLimit;
  } else {
    new_riff = end - riff_start_ > kRiffSizeLimit;
  }
  if (new_riff) {
    if (!StartContinuation()) return 0;
    // A chunk that cannot fit even a RIFF of its own.
    if (file_.Tell() + blocks * kIndexBlockSize + chunk - riff_start_ > kRiffSizeLimit) return Fail(ERR_REWRITE_LIMIT);
  }
  open_7fxx_ = SIZE_MAX;
  if (video_full && !StartStdIndex(video_index_)) return 0;
  if (audio_full && !StartStdIndex(audio_index_)) return 0;
  open_7fxx_ = SIZE_MAX;
  return 1;
}

int RefAviWriter::WriteChunk(bool video, uint32_t id, const uint8_t* data, uint32_t size, uint32_t samples) {
  if (!Reserve(video, size)) return 0;
  const uint32_t n = size & kSizeMask;
  const uint64_t at = file_.Tell();
  uint8_t header[8];
  StoreU32(header, id);
  StoreU32(header + 4, n);
  static const uint8_t kPad = 0;
  if (file_.Write(header, 8) != 8 || (n != 0 && file_.Write(data, n) != n) ||
      ((n & 1) != 0 && file_.Write(&kPad, 1) != 1)) {
    return Fail(ERR_REWRITE_WRITE, kDetailWrite, true);
  }
  movi_->size += static_cast<uint32_t>(NodeLength(n));
  if (odml_) {
    StreamIndex& index = video ? video_index_ : audio_index_;
    ByteBuffer* standard = CurrentStdIndex(index);
    const uint64_t offset = at + 8 - index.base;
    if (standard == nullptr || offset > 0xFFFFFFFFull) return Fail(ERR_REWRITE_LIMIT);
    uint8_t* p = standard->data();
    const uint32_t used = LoadU32(p + AviStdIndexHeader::kOffEntriesInUse);
    if (used >= kStdIndexMaxEntries) return Fail(ERR_REWRITE_LIMIT);
    AviStdIndexEntry entry;
    entry.dwOffset = static_cast<uint32_t>(offset);
    entry.dwSize = n;
    entry.Encode(p + AviStdIndexHeader::kSize + used * AviStdIndexEntry::kSize);
    StoreU64(p + AviStdIndexHeader::kOffBaseOffset, index.base);
    StoreU32(p + AviStdIndexHeader::kOffEntriesInUse, used + 1);
    uint8_t* super_entry = index.super->data() + kSuperEntries +
                           (SuperEntriesInUse(index) - 1) * AviSuperIndexEntry::kSize;
    uint32_t duration = 1;
    if (!video) {
      const uint32_t sample_size = audio_header_.SampleSize();
      duration = samples != 0 ? samples : n / (sample_size != 0 ? sample_size : 1);
    }
    uint8_t* covered = super_entry + AviSuperIndexEntry::kOffDuration;
    StoreU32(covered, LoadU32(covered) + duration);
  }
  if (InFirstRiff()) {
    AddIdx1Entry(id, video ? AVIIF_KEYFRAME : 0, static_cast<uint32_t>(at), n);
  }
  if (video) {
    ++video_frames_;
    largest_video_ = std::max(largest_video_, n);
  } else {
    largest_audio_ = std::max(largest_audio_, n);
  }
  return 1;
}

int RefAviWriter::WriteVideoChunk(const uint8_t* data, uint32_t size) {
  if (!has_video_ || !created_) return 0;
  return WriteChunk(true, fcc::id00db, data, size, 0);
}

int RefAviWriter::WriteAudioChunk(const uint8_t* data, uint32_t size, uint32_t samples) {
  if (!has_audio_ || !created_) return 0;
  return WriteChunk(false, has_video_ ? fcc::id01wb : fcc::id00wb, data, size, samples);
}

void RefAviWriter::WriteStdIndexes(StreamIndex& index) {
  const uint32_t in_use = SuperEntriesInUse(index);
  for (uint32_t k = 0; k < in_use && k < index.standard.size(); ++k) {
    const uint8_t* entry = index.super->data() + kSuperEntries + k * AviSuperIndexEntry::kSize;
    file_.Seek(static_cast<int64_t>(LoadU64(entry)), PlainFile::kBegin);
    if (file_.Write(index.standard[k]->data(), kIndexBlockSize) != kIndexBlockSize) {
      Fail(ERR_REWRITE_WRITE, kDetailWrite, true);
      return;
    }
  }
}

int RefAviWriter::OnMovi(ChunkNode& movi, int ordinal) {
  if (odml_ && ordinal == 0) {
    const uint64_t back = file_.Tell();
    WriteStdIndexes(video_index_);
    if (has_audio_) WriteStdIndexes(audio_index_);
    file_.Seek(static_cast<int64_t>(back), PlainFile::kBegin);
  }
  file_.Seek(static_cast<int64_t>(movi.size) - 4, PlainFile::kCurrent);
  return 1;
}

void RefAviWriter::Finish() {
  if (avih_ != nullptr && idx1_node_ != nullptr) {
    main_header_.SetFlags(main_header_.Flags() | AVIF_HASINDEX);
    if (InFirstRiff()) idx1_node_->size = idx1_count_ * AviOldIndexEntry::kSize;
    if (has_video_) {
      main_header_.SetTotalFrames(video_frames_);
      if (dmlh_ != nullptr) StoreU32(dmlh_->data() + ChunkHeader::kSize + kDmlhOffTotalFrames, video_frames_);
      largest_video_ = std::max(largest_video_, frame_size_);
    }
    main_header_.SetSuggestedBufferSize(largest_audio_ + largest_video_);
    video_header_.SetSuggestedBufferSize(largest_video_);
    audio_header_.SetSuggestedBufferSize(largest_audio_);
    RecomputeSizes();
    if (created_) {
      file_.Seek(0, PlainFile::kBegin);
      WriteTree();
    }
  }
  // A new reference AVI is on the disk before anyone renames it into place:
  // a power loss after the rename must not leave an empty file there.
  if (created_ && error_code_value_ == 0 && !file_.Sync()) error_code_value_ = ERR_REWRITE_WRITE;
  if (!file_.Close() && created_ && error_code_value_ == 0) error_code_value_ = ERR_REWRITE_WRITE;
  created_ = false;
  top_.clear();
  movi_ = nullptr;
  idx1_node_ = nullptr;
  idx1_.reset();
  dmlh_.reset();
  video_index_ = StreamIndex();
  audio_index_ = StreamIndex();
}

}  // namespace mendora
