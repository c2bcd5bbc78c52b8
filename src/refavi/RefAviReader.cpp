#include "refavi/RefAviReader.h"

#include <algorithm>
#include <cstring>

#include "refavi/ChunkTrace.h"

namespace mendora {

RefAviReader::RefAviReader(FileSystem& fs, File* trace) : fs_(fs), trace_(trace) {}

RefAviReader::~RefAviReader() { Close(); }

int RefAviReader::OpenFile(const std::string& path) {
  path_ = path;
  file_ = std::make_unique<BufferedFile>(fs_);
  if (!file_->Open(path, 0)) return 0;
  file_size_ = file_->Size();
  return 1;
}

int RefAviReader::Open(const std::string& path, int flags) {
  if ((flags & 1) == 0) return 0;
  return OpenFile(path);
}

int RefAviReader::Walk() { return WalkTopLevel(nullptr); }

void RefAviReader::Close() {
  selected_video_ = nullptr;
  selected_audio_ = nullptr;
  streams_.reset();  // closes the data files
  file_.reset();
  main_header_copy_.clear();
  main_header_ = AviMainHeader();
  path_.clear();
}

int RefAviReader::SelectVideoStream(int n) {
  selected_video_ = streams_ ? static_cast<VideoStream*>(streams_->FindByKind(StreamEntry::kVideo, n)) : nullptr;
  return selected_video_ != nullptr;
}

int RefAviReader::SelectAudioStream(int n) {
  selected_audio_ = streams_ ? static_cast<AudioStream*>(streams_->FindByKind(StreamEntry::kAudio, n)) : nullptr;
  return selected_audio_ != nullptr;
}

// ---------------------------------------------------------------------------
// Primitives

bool RefAviReader::ReadHeader(ChunkHeader* header) {
  uint8_t bytes[ChunkHeader::kSize];
  if (file_->Read(bytes, sizeof bytes) != sizeof bytes) return false;
  header->id = LoadU32(bytes);
  header->size = LoadU32(bytes + 4);
  return true;
}

uint32_t RefAviReader::ReadFourcc() {
  uint32_t value;
  return ReadU32(&value) ? value : 0xFFFFFFFFu;
}

bool RefAviReader::ReadU32(uint32_t* value) {
  uint8_t bytes[4];
  if (file_->Read(bytes, 4) != 4) return false;
  *value = LoadU32(bytes);
  return true;
}

bool RefAviReader::ChunkInFile(const ChunkHeader& chunk, uint64_t data_start, uint64_t* length) const {
  // The pad byte is taken when the file has it; the data itself must be there.
  if (data_start > file_size_ || chunk.size > file_size_ - data_start) return false;
  *length = RoundedSize(chunk.size);
  if (*length > file_size_ - data_start) *length = chunk.size;
  return true;
}

bool RefAviReader::ReadChunkWhole(const ChunkHeader& chunk, uint64_t data_start,
                                  std::vector<uint8_t>* out) {
  uint64_t length = 0;
  if (!ChunkInFile(chunk, data_start, &length)) return false;
  out->assign(ChunkHeader::kSize + static_cast<size_t>(length), 0);
  StoreU32(out->data(), chunk.id);
  StoreU32(out->data() + 4, chunk.size);
  return file_->Read(out->data() + ChunkHeader::kSize, static_cast<size_t>(length)) == length;
}

bool RefAviReader::ReportProgress() {
  if (progress_ == nullptr) return true;
  if (!progress_->Running()) return false;
  const int percent = file_size_ == 0 ? 0 : static_cast<int>(file_->Tell() * 100 / file_size_);
  return progress_->Report(percent);
}

int RefAviReader::SkipChunk(const ChunkHeader& chunk, uint64_t data_start) {
  return file_->SeekTo(data_start + RoundedSize(chunk.size)) ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Checks

int RefAviReader::CheckMainHeader(const AviMainHeader& header) {
  return header.dwStreams <= kMaxStreams && IsDvGeometry(header.dwWidth, header.dwHeight);
}

int RefAviReader::CheckStreamHeader(const AviStreamHeader& header) {
  if (header.fccType == fcc::vids) return IsDvStreamHandler(header.fccHandler);
  if (header.fccType == fcc::auds) return header.fccHandler == 0;
  return 0;
}

int RefAviReader::CheckVideoFormat(const BitmapInfoHeader& format) {
  return format.biPlanes == kDvPlanes && format.biBitCount == kDvBitCount &&
         IsDvCompression(format.biCompression) && IsDvGeometry(format.biWidth, format.biHeight);
}

int RefAviReader::CheckAudioFormat(const WaveFormatEx&) { return 1; }

// No stream has been selected when this runs, so there is nothing to refuse.
int RefAviReader::Validate() { return 1; }

// ---------------------------------------------------------------------------
// The walk

int RefAviReader::WalkTopLevel(DataLinkList* list) {
  if (!file_ || !file_->IsOpen()) return 0;
  have_last_link_ = false;
  position_budget_ = file_size_ / 8 + 1;
  index_bytes_budget_ = file_size_;
  if (!file_->SeekTo(0)) return 0;
  uint64_t walked = 0;
  while (walked < file_size_) {
    ChunkHeader header;
    if (!ReadHeader(&header)) return 0;
    if (header.id != fcc::RIFF) {
      if (walked != 0) break;  // trailing data after the last RIFF
      return 0;
    }
    const uint64_t data_start = file_->Tell();
    if (!IsWalkedList(fcc::RIFF, ReadFourcc())) return 0;
    if (header.size >= kListTypeSize &&
        !ChunkWalk(data_start + RoundedSize(header.size), 0, 0, list))
      return 0;
    walked = file_->Tell();
  }
  if (walked == 0) return 0;  // an empty file holds no RIFF
  if (has_reference_chunks_ && !references_resolved_) return ResolveReferences();
  return Validate();
}

int RefAviReader::ChunkWalk(uint64_t end, int depth, uint32_t stream_type, DataLinkList* list) {
  if (depth > kMaxListDepth) return 0;
  int frame_counter = 0;
  int result = 1;
  while (file_->Tell() < end) {
    ChunkHeader chunk;
    if (!ReadHeader(&chunk)) return 0;
    const uint64_t data_start = file_->Tell();
    if (!ReportProgress()) return 0;
    switch (chunk.id) {
      case fcc::idx1: result = ReadLegacyIndex(chunk, data_start); break;
      case fcc::JUNK: result = ReadJunk(chunk, data_start, &frame_counter); break;
      case fcc::LIST: result = ReadList(chunk, data_start, depth, stream_type, list); break;
      case fcc::avih: result = ReadMainHeader(chunk, data_start); break;
      case fcc::strh: result = ReadStreamHeader(chunk, data_start, &stream_type); break;
      case fcc::strf:
        if (stream_type == fcc::vids) {
          result = ReadVideoFormat(chunk, data_start);
        } else if (stream_type == fcc::auds) {
          result = ReadAudioFormat(chunk, data_start);
        } else {
          result = SkipChunk(chunk, data_start);
        }
        break;
      case fcc::dmlh: result = ReadOdmlHeader(chunk, data_start); break;
      case fcc::indx: result = ReadSuperIndex(chunk, data_start); break;
      default: result = SkipChunk(chunk, data_start); break;
    }
    if (result == 0 || Cancelled()) return 0;
  }
  return result;
}

int RefAviReader::ReadList(const ChunkHeader& chunk, uint64_t data_start, int depth,
                           uint32_t stream_type, DataLinkList* list) {
  // A list too short for its type holds nothing we read.
  if (chunk.size < kListTypeSize) return SkipChunk(chunk, data_start);
  const uint32_t type = ReadFourcc();
  if (!ReportProgress()) return 0;
  if (type == fcc::movi) return MoviWalk(chunk, data_start, depth, list);
  if (IsWalkedList(fcc::LIST, type))
    return ChunkWalk(data_start + RoundedSize(chunk.size), depth + 1, stream_type, list);
  return SkipChunk(chunk, data_start);
}

int RefAviReader::MoviWalk(const ChunkHeader& list_chunk, uint64_t data_start, int depth,
                           DataLinkList* list) {
  movi_base_ = data_start;
  const uint64_t end = data_start + RoundedSize(list_chunk.size);
  const int trace_depth = depth + 2;
  while (file_->Tell() < end) {
    if (!ReportProgress()) return 0;
    ChunkHeader chunk;
    if (!ReadHeader(&chunk)) return 0;
    const uint64_t chunk_data = file_->Tell();
    const uint64_t position = chunk_data - ChunkHeader::kSize;
    // The arguments alone (the FOURCC text) cost: build them only for a trace.
    if (trace_ != nullptr)
      TraceLine(trace_, "%.8X%.8X%*s'%s' %.8X (%.8X)\n", static_cast<unsigned>(position >> 32),
                static_cast<unsigned>(position & 0xFFFFFFFFu), trace_depth * 4 + 2, "",
                FourccText(chunk.id).c_str(), chunk.id, chunk.size);
    int result;
    if (ChunkKind(chunk.id) == kKindVideo) {
      result = ReadDataChunk(chunk, trace_depth, list);
      if (result != 0) result = SkipChunk(chunk, chunk_data);
    } else {
      result = SkipChunk(chunk, chunk_data);
    }
    if (result == 0 || Cancelled()) return 0;
  }
  return 1;
}

int RefAviReader::ReadDataChunk(const ChunkHeader& chunk, int trace_depth, DataLinkList* list) {
  // Too short to begin with "REF " (the pad byte is not data).
  if (chunk.size < 4) return 1;
  // The record's fixed fields: id, frame offset, kept word and path length
  // (fewer bytes when the chunk is shorter than that). In the loaded block
  // they are read in place.
  uint8_t copy[RefRecordLayout::kHeaderSize];
  const size_t wanted = chunk.size < sizeof copy ? chunk.size : sizeof copy;
  const uint8_t* head = file_->Peek(wanted);
  size_t got = wanted;
  if (head != nullptr) {
    file_->Skip(wanted);
  } else {
    got = file_->Read(copy, wanted);
    head = copy;
  }
  if (got < 4) return 0;
  const uint32_t first = LoadU32(head + RefRecordLayout::kOffId);
  if (trace_ != nullptr) TraceLine(trace_, "%*s'%s' %.8X", trace_depth * 4 + 21, "", FourccText(first).c_str(), first);
  if (first != fcc::REF_) {
    if (trace_ != nullptr) TraceLine(trace_, "\n");
    return 1;
  }
  if (got < RefRecordLayout::kHeaderSize) {
    if (trace_ != nullptr) TraceLine(trace_, "\n");
    return 0;
  }
  const uint32_t path_length = LoadU32(head + RefRecordLayout::kOffPathLength);
  const uint32_t offset = LoadU32(head + RefRecordLayout::kOffOffset);
  if (trace_ != nullptr) TraceLine(trace_, " (%.8X)\n", path_length);
  // The path field must lie inside the record.
  const uint64_t field = RefPathFieldSize(path_length);
  if (field > chunk.size - RefRecordLayout::kHeaderSize || !FitsInFile(field)) return 0;
  // The path ends at its first NUL or with its field.
  const char* path = reinterpret_cast<const char*>(file_->Peek(static_cast<size_t>(field)));
  if (path != nullptr) {
    file_->Skip(static_cast<size_t>(field));
  } else {
    ref_path_.resize(static_cast<size_t>(field));
    if (file_->Read(ref_path_.data(), static_cast<size_t>(field)) != field) return 0;
    path = ref_path_.data();
  }
  const std::string_view link(path, strnlen(path, static_cast<size_t>(field)));
  if (trace_ != nullptr)
    TraceLine(trace_, "%*s%.*s\n", (trace_depth + 1) * 4 + 21, "", static_cast<int>(link.size()), link.data());
  if (list != nullptr) {
    if (!have_last_link_ || link != last_link_) {
      last_link_.assign(link);
      have_last_link_ = true;
      last_link_index_ = list->IndexOf(last_link_);
    }
    if (list->collect_offsets()) list->AddOffset(last_link_index_, offset);
  }
  references_resolved_ = true;
  return 1;
}

// ---------------------------------------------------------------------------
// Header chunks

int RefAviReader::ReadMainHeader(const ChunkHeader& chunk, uint64_t data_start) {
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  // dwHeight at offset 36 is the last field in use; a shorter header is refused.
  if (chunk.size < AviMainHeader::kOffHeight + 4) return 0;
  uint8_t data[AviMainHeader::kSize] = {};
  std::memcpy(data, copy.data() + ChunkHeader::kSize,
              chunk.size < sizeof data ? chunk.size : sizeof data);
  AviMainHeader header;
  AviMainHeader::Decode(data, sizeof data, &header);
  OnMainHeader();
  if (!CheckMainHeader(header)) return 0;
  main_header_copy_ = std::move(copy);
  main_header_ = header;
  return 1;
}

int RefAviReader::ReadStreamHeader(const ChunkHeader& chunk, uint64_t data_start, uint32_t* stream_type) {
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  // dwLength at offset 32 is the last field in use.
  if (chunk.size < AviStreamHeader::kOffLength + 4) return 0;
  uint8_t data[AviStreamHeader::kSize] = {};
  std::memcpy(data, copy.data() + ChunkHeader::kSize,
              chunk.size < sizeof data ? chunk.size : sizeof data);
  AviStreamHeader header;
  AviStreamHeader::Decode(data, sizeof data, &header);
  OnStreamHeader();
  if (!CheckStreamHeader(header)) return 0;
  if (!streams_) streams_ = std::make_unique<StreamTable>();
  if (!streams_->Add(this, std::move(copy))) return 0;
  *stream_type = header.fccType;
  return 1;
}

int RefAviReader::ReadVideoFormat(const ChunkHeader& chunk, uint64_t data_start) {
  if (chunk.size < BitmapInfoHeader::kSize) return 0;
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  BitmapInfoHeader format;
  BitmapInfoHeader::Decode(copy.data() + ChunkHeader::kSize, chunk.size, &format);
  video_handler_ = format.biCompression;
  OnVideoFormat();
  if (!CheckVideoFormat(format)) return 0;
  if (StreamEntry* stream = streams_ ? streams_->last() : nullptr)
    stream->set_format(std::vector<uint8_t>(copy.begin() + ChunkHeader::kSize, copy.end()));
  return 1;
}

int RefAviReader::ReadAudioFormat(const ChunkHeader& chunk, uint64_t data_start) {
  if (chunk.size < WaveFormatEx::kMinSize) return 0;
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  OnAudioFormat();
  if (StreamEntry* stream = streams_ ? streams_->last() : nullptr)
    stream->set_format(std::vector<uint8_t>(copy.begin() + ChunkHeader::kSize, copy.end()));
  return 1;
}

int RefAviReader::ReadOdmlHeader(const ChunkHeader& chunk, uint64_t data_start) {
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  OnOdmlHeader();
  return 1;
}

}  // namespace mendora
