#include "rewrite/ChunkTreeParser.h"

#include <algorithm>
#include <new>

namespace mendora {

ChunkTreeParser::~ChunkTreeParser() { source_.Close(); }

uint64_t ChunkTreeParser::CountAudioEntries() {
  if (counts_set_) return audio_entries_;
  uint64_t count = 0;
  if (audio_indx_ != nullptr) {
    const ByteBuffer& super = *audio_indx_;
    constexpr size_t kEntries = AviSuperIndexHeader::kChunkOffEntries;
    if (super.size() < kEntries) return 0;
    const uint64_t room = (super.size() - kEntries) / AviSuperIndexEntry::kSize;
    const uint64_t in_use =
        std::min<uint64_t>(LoadU32(super.data() + AviSuperIndexHeader::kChunkOffEntriesInUse), room);
    const uint64_t resume = source_.Tell();
    for (uint64_t k = 0; k < in_use; ++k) {
      const uint8_t* entry = super.data() + kEntries + k * AviSuperIndexEntry::kSize;
      uint8_t in_use_word[4];
      source_.Seek(static_cast<int64_t>(LoadU64(entry) + AviStdIndexHeader::kOffEntriesInUse), PlainFile::kBegin);
      if (source_.Read(in_use_word, 4) == 4) count += LoadU32(in_use_word);
    }
    source_.Seek(static_cast<int64_t>(resume), PlainFile::kBegin);
    return count;
  }
  for (const ChunkNode* idx1 = Lookup(fcc::idx1, 1, kForward); idx1 != nullptr;) {
    const size_t n = std::min<size_t>(idx1->size, idx1->DataSize()) / AviOldIndexEntry::kSize;
    for (size_t k = 0; k < n; ++k)
      if (ChunkKind(LoadU32(idx1->Data() + k * AviOldIndexEntry::kSize)) == kKindAudio) ++count;
    break;
  }
  return count;
}

int ChunkTreeParser::Load(const std::string& path) {
  source_path_ = path;
  if (!source_.Open(path, OpenMode::kRead)) return Fail(ERR_REWRITE_CREATE);
  source_size_ = source_.Size();
  source_.Seek(0, PlainFile::kBegin);
  // An empty file holds no RIFF: it is no AVI, like any other that does not
  // begin with one.
  if (source_size_ == 0) return Fail(ERR_REWRITE_READ);
  return ParseRange(source_size_, 0);
}

bool ChunkTreeParser::ReadU32(uint32_t* value) {
  uint8_t bytes[4];
  if (source_.Read(bytes, 4) != 4) return false;
  *value = LoadU32(bytes);
  return true;
}

SharedBytes ChunkTreeParser::ReadData(uint32_t size, size_t header) {
  const uint64_t at = source_.Tell();
  const uint64_t padded = RoundedSize(size);
  // The pad byte of the last chunk may be missing; the data itself may not.
  if (at > source_size_ || size > source_size_ - at) {
    Fail(ERR_REWRITE_READ);
    return nullptr;
  }
  SharedBytes buffer;
  try {
    buffer = std::make_shared<ByteBuffer>(header + padded, 0);
  } catch (const std::bad_alloc&) {
    Fail(ERR_REWRITE_MEMORY);
    return nullptr;
  }
  const size_t want = static_cast<size_t>(std::min<uint64_t>(padded, source_size_ - at));
  if (source_.Read(buffer->data() + header, want) != want) {
    Fail(ERR_REWRITE_READ);
    return nullptr;
  }
  return buffer;
}

int ChunkTreeParser::ParseRange(uint64_t end, int depth) {
  // Depth 0 is the top level, 1 the data of a RIFF.
  if (depth > kMaxListDepth + 1) return Fail(ERR_REWRITE_READ);
  // Past the first "movi" a cut file simply ends, when that is allowed.
  const auto cut = [this]() { return tolerate_cut_ && movi_position_ != 0 ? 1 : Fail(ERR_REWRITE_READ); };
  for (;;) {
    uint8_t raw[8];
    if (source_.Read(raw, 8) != 8) return cut();
    const uint32_t id = LoadU32(raw);
    uint32_t size = LoadU32(raw + 4);
    const uint64_t start = source_.Tell();
    // A capture that never finished leaves its RIFF and "movi" sizes 0:
    // such a list runs to the end of the file.
    if (tolerate_cut_ && size == 0 && (id == fcc::RIFF || id == fcc::LIST) && source_size_ > start)
      size = static_cast<uint32_t>(std::min<uint64_t>(source_size_ - start, 0xFFFFFFFEu));
    const uint64_t next = start + RoundedSize(size);
    // Past the first "movi" of a cut file, a chunk that is not whole ends
    // the tree: a node that claims bytes the file does not hold would be
    // written out in full.
    const bool whole = start <= source_size_ && size <= source_size_ - start;
    if (tolerate_cut_ && movi_position_ != 0 && !whole && id != fcc::RIFF && id != fcc::LIST) return 1;

    // The whole data as an owned buffer (lists not modelled, unknown chunks).
    auto keep_whole = [&](ChunkNode* node) -> bool {
      SharedBytes data = ReadData(size, 0);
      if (data == nullptr) return false;
      node->data = std::move(data);
      return true;
    };

    if (id == fcc::RIFF || id == fcc::LIST) {
      uint32_t type = 0;
      if (!ReadU32(&type)) return Fail(ERR_REWRITE_READ);
      ChunkNode* node = AppendAtDepth(id, size, type, depth);
      if (node == nullptr) return 0;
      if (IsWalkedList(id, type)) {
        // The children end at or past the list's end; go on from there, so
        // that no byte is parsed twice. A list holding only its type has
        // nothing to parse.
        if (size > 4) {
          if (!ParseRange(next, depth + 1)) return 0;
          if (source_.Tell() >= end) return 1;
          continue;
        }
      } else if (id == fcc::LIST && type == fcc::movi) {
        // The first "movi" is the one the legacy index counts from and the
        // recovery starts at; those of "AVIX" RIFFs come after it.
        if (movi_position_ == 0) movi_position_ = start;
        source_.Seek(static_cast<int64_t>(next), PlainFile::kBegin);
      } else {
        source_.Seek(-4, PlainFile::kCurrent);
        if (!keep_whole(node)) return 0;
      }
    } else if (id == fcc::avih || id == fcc::strh) {
      // The fields read from these headers must be there: all of "avih", and
      // "strh" up to dwSampleSize.
      const uint32_t minimum = id == fcc::avih ? AviMainHeader::kSize : AviStreamHeader::kOffSampleSize + 4;
      if (size < minimum) return Fail(ERR_REWRITE_READ);
      if (AppendAtDepth(id, size, 0, depth) == nullptr) return 0;
      SharedBytes data = ReadData(size, 8);
      if (data == nullptr) return 0;
      StoreU32(data->data(), id);
      StoreU32(data->data() + 4, size);
      if (!AttachData(data, ChunkHeader::kSize)) return 0;
      if (id == fcc::avih) {
        if (avih_ == nullptr) avih_ = data;
        if (total_frames_ == 0) total_frames_ = DataView<MainHeaderView>(data, ChunkHeader::kSize).TotalFrames();
      } else {
        stream_type_ = DataView<StreamHeaderView>(data, ChunkHeader::kSize).Type();
        if (stream_type_ == fcc::vids && video_strh_ == nullptr) video_strh_ = data;
        if (stream_type_ == fcc::auds && audio_strh_ == nullptr) audio_strh_ = data;
      }
    } else if (id == fcc::strf) {
      if (AppendAtDepth(id, size, 0, depth) == nullptr) return 0;
      // The formats must hold the fields read from them.
      if (stream_type_ == fcc::vids && size < BitmapInfoHeader::kSize) return Fail(ERR_REWRITE_READ);
      if (stream_type_ == fcc::auds && size < WaveFormatEx::kMinSize) return Fail(ERR_REWRITE_READ);
      SharedBytes data = ReadData(size, 0);
      if (data == nullptr || !AttachData(data, 0)) return 0;
      if (stream_type_ == fcc::vids && video_strf_ == nullptr) video_strf_ = data;
      if (stream_type_ == fcc::auds && audio_strf_ == nullptr) audio_strf_ = data;
    } else if (id == fcc::indx) {
      if (AppendAtDepth(id, size, 0, depth) == nullptr) return 0;
      SharedBytes data = ReadData(size, 8);
      if (data == nullptr) return 0;
      StoreU32(data->data(), id);
      StoreU32(data->data() + 4, size);
      if (!AttachData(data, 8)) return 0;
      SharedBytes& slot = stream_type_ == fcc::vids ? video_indx_ : audio_indx_;
      if (slot == nullptr) slot = data;
      stream_type_ = 0;
    } else if (id == fcc::dmlh || id == fcc::idx1 || id == fcc::JUNK || depth > 0) {
      ChunkNode* node = AppendAtDepth(id, size, 0, depth);
      if (node == nullptr || !keep_whole(node)) return 0;
      if (id == fcc::dmlh && size >= kDmlhOffTotalFrames + 4)
        total_frames_ = LoadU32(node->Data() + kDmlhOffTotalFrames);
    } else {
      // Trailing data after the last RIFF ends the file; a file that does
      // not begin with a RIFF is not one.
      return top_.empty() ? Fail(ERR_REWRITE_READ) : 1;
    }
    source_.Seek(static_cast<int64_t>(next), PlainFile::kBegin);
    if (source_.Tell() >= end) return 1;
  }
}

}  // namespace mendora
