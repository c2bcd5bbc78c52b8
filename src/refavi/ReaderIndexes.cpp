// The reader's side of the stream table: the two index forms, REFI blocks
// in "JUNK" chunks, and the resolution of reference chunks to data files.
#include <algorithm>
#include <cstring>

#include "refavi/RefAviReader.h"

namespace mendora {

const uint8_t* RefAviReader::NextBytes(size_t count, uint8_t* spare) {
  if (const uint8_t* in_block = file_->Peek(count)) {
    file_->Skip(count);
    return in_block;
  }
  return file_->Read(spare, count) == count ? spare : nullptr;
}

void RefAviReader::ReservePositions(StreamEntry* stream, uint64_t entries) {
  // At most what the index holds and the budget allows, so that a header
  // cannot make the reader allocate more than the file could fill.
  uint64_t wanted = stream->positions.size() + std::min<uint64_t>(entries, position_budget_);
  wanted = std::min<uint64_t>(wanted, stream->header().dwLength);
  if (wanted <= stream->positions.capacity()) return;
  stream->positions.reserve(static_cast<size_t>(wanted));
  if (stream->Kind() == StreamEntry::kVideo)
    static_cast<VideoStream*>(stream)->sources.reserve(static_cast<size_t>(wanted));
}

bool RefAviReader::AppendPosition(StreamEntry* stream, uint64_t position, bool reference) {
  if (position_budget_ == 0) return false;
  --position_budget_;
  stream->positions.push_back(position);
  if (stream->Kind() == StreamEntry::kVideo)
    static_cast<VideoStream*>(stream)->sources.push_back(reference ? nullptr : file_.get());
  return true;
}

int RefAviReader::ReadSuperIndex(const ChunkHeader& chunk, uint64_t data_start) {
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  OnSuperIndex();
  const uint64_t after = file_->Tell();
  const uint8_t* data = copy.data() + ChunkHeader::kSize;
  AviSuperIndexHeader super;
  if (!AviSuperIndexHeader::Decode(data, chunk.size, &super)) return 0;
  // The entries in use must lie inside the chunk.
  if (super.nEntriesInUse > (chunk.size - AviSuperIndexHeader::kSize) / AviSuperIndexEntry::kSize) return 0;
  StreamEntry* stream = streams_ ? streams_->FindByChunkId(super.dwChunkId) : nullptr;
  if (stream == nullptr) return 0;
  stream->positions_from_super_index = true;
  const bool video = stream->Kind() == StreamEntry::kVideo;
  const bool reference_handler = IsReferenceHandler(video_handler_);

  // Room for every entry the standard index chunks can hold, at once.
  uint64_t capacity = 0;
  for (uint32_t i = 0; i < super.nEntriesInUse; ++i) {
    const uint32_t size =
        LoadU32(data + AviSuperIndexHeader::kSize + i * AviSuperIndexEntry::kSize + AviSuperIndexEntry::kOffSize);
    if (size >= AviStdIndexHeader::kSize) capacity += (size - AviStdIndexHeader::kSize) / AviStdIndexEntry::kSize;
  }
  ReservePositions(stream, capacity);
  uint64_t previous = 0;
  for (uint32_t i = 0; i < super.nEntriesInUse; ++i) {
    OnSuperIndexEntry();
    const AviSuperIndexEntry entry =
        AviSuperIndexEntry::Decode(data + AviSuperIndexHeader::kSize + i * AviSuperIndexEntry::kSize);
    // The standard index chunk must hold its header and lie inside the file.
    if (entry.dwSize < AviStdIndexHeader::kSize || entry.qwOffset > file_size_ ||
        entry.dwSize > file_size_ - entry.qwOffset)
      return 0;
    if (entry.dwSize > index_bytes_budget_) return 0;
    index_bytes_budget_ -= entry.dwSize;
    if (!file_->SeekTo(entry.qwOffset)) return 0;
    // The chunk is decoded as it streams through the reader's block, with
    // no copy of it: a one-hour index is 864 KB.
    uint8_t spare[AviStdIndexHeader::kSize];
    const uint8_t* bytes = NextBytes(AviStdIndexHeader::kSize, spare);
    if (bytes == nullptr) return 0;
    AviStdIndexHeader header;
    AviStdIndexHeader::Decode(bytes, AviStdIndexHeader::kSize, &header);
    if (header.nEntriesInUse > (entry.dwSize - AviStdIndexHeader::kSize) / AviStdIndexEntry::kSize) return 0;
    for (uint32_t k = 0; k < header.nEntriesInUse; ++k) {
      bytes = NextBytes(AviStdIndexEntry::kSize, spare);
      if (bytes == nullptr) return 0;
      const AviStdIndexEntry e = AviStdIndexEntry::Decode(bytes);
      const uint64_t position =
          (e.dwSize & kSizeMask) == 0 ? previous : header.qwBaseOffset + e.dwOffset - ChunkHeader::kSize;
      previous = position;
      // The size as stored: a frame marked with bit 31 is never a reference chunk.
      const bool reference = video && reference_handler && IsReferenceChunkSize(e.dwSize);
      if (reference) has_reference_chunks_ = true;
      if (!AppendPosition(stream, position, reference)) return 0;
    }
    OnStdIndexChunk();
  }
  return file_->SeekTo(after) ? 1 : 0;
}

int RefAviReader::ReadLegacyIndex(const ChunkHeader& chunk, uint64_t data_start) {
  // The entries are decoded as they stream through the reader's block, with
  // no copy of the chunk (1.7 MB for an hour).
  uint64_t length = 0;
  if (!ChunkInFile(chunk, data_start, &length)) return 0;
  const uint64_t count = length / AviOldIndexEntry::kSize;
  uint8_t spare[AviOldIndexEntry::kSize];
  uint64_t base = movi_base_;
  if (count > 0) {
    const uint8_t* first = file_->Peek(AviOldIndexEntry::kSize);
    if (first == nullptr && file_->Read(spare, sizeof spare) == sizeof spare && file_->SeekTo(data_start))
      first = spare;
    if (first == nullptr) return 0;
    if (movi_base_ < kIdx1AbsoluteLimit && movi_base_ <= AviOldIndexEntry::Decode(first).dwChunkOffset)
      base = 0;  // offsets are absolute file positions
  }
  const bool reference_handler = IsReferenceHandler(video_handler_);
  if (streams_) {
    for (size_t n = 0; n < streams_->size(); ++n) {
      StreamEntry* stream = streams_->at(n);
      if (!stream->positions_from_super_index) ReservePositions(stream, count);
    }
  }
  uint64_t previous = 0;
  // The last lookup is kept: without sound, every entry names the same stream.
  uint32_t last_id = 0;
  StreamEntry* last_stream = nullptr;
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* bytes = NextBytes(AviOldIndexEntry::kSize, spare);
    if (bytes == nullptr) return 0;
    const AviOldIndexEntry entry = AviOldIndexEntry::Decode(bytes);
    const char kind = ChunkKind(entry.ckid);
    const uint32_t length_field = entry.dwChunkLength & kSizeMask;
    const bool reference = kind == kKindVideo && reference_handler && IsReferenceChunkSize(length_field);
    if (reference) has_reference_chunks_ = true;
    uint64_t position = base + entry.dwChunkOffset;
    if ((kind == kKindVideo || kind == kKindAudio) && length_field == 0) position = previous;
    previous = position;
    if (last_stream == nullptr || entry.ckid != last_id) {
      last_stream = streams_ ? streams_->FindByChunkId(entry.ckid) : nullptr;
      last_id = entry.ckid;
    }
    if (last_stream != nullptr && !last_stream->positions_from_super_index &&
        !AppendPosition(last_stream, position, reference))
      return 0;
    OnIdx1Entry();
  }
  return file_->SeekTo(data_start + length) ? 1 : 0;
}

int RefAviReader::ReadJunk(const ChunkHeader& chunk, uint64_t data_start, int* frame_counter) {
  if (chunk.size >= 4 && has_reference_chunks_) {
    uint32_t id;
    if (!ReadU32(&id)) return 0;
    if (id == fcc::REFI) return ReadRefiBlock(chunk, data_start, frame_counter);
  }
  return SkipChunk(chunk, data_start);
}

int RefAviReader::ReadRefiBlock(const ChunkHeader& chunk, uint64_t data_start, int* frame_counter) {
  // Every field must lie inside the "JUNK" chunk.
  uint32_t path_length;
  if (chunk.size < RefiBlockLayout::kOffPath || !ReadU32(&path_length)) return 0;
  if (path_length > kMaxRefiPath || RefiBlockLayout::kOffPath + path_length + 4 > chunk.size) return 0;
  std::vector<char> path(path_length);
  if (file_->Read(path.data(), path.size()) != path.size()) return 0;
  const size_t text_length = strnlen(path.data(), path.size());
  if (text_length == path.size()) return 0;  // the path must end within its field
  uint32_t count;
  if (!ReadU32(&count)) return 0;
  const uint64_t used = RefiBlockLayout::kOffPath + path_length + 4;
  if (count > (chunk.size - used) / 4 || !FitsInFile(static_cast<uint64_t>(count) * 4)) return 0;
  std::vector<uint8_t> positions(static_cast<size_t>(count) * 4);
  if (file_->Read(positions.data(), positions.size()) != positions.size()) return 0;
  OnRefiBlock();

  auto* video = streams_ ? static_cast<VideoStream*>(streams_->FindByKind(StreamEntry::kVideo, 0)) : nullptr;
  if (video == nullptr) return 0;
  auto data_file = std::make_unique<BufferedFile>(fs_);
  if (!data_file->Open(std::string(path.data(), text_length), 0)) return 0;
  BufferedFile* source = video->AddDataFile(std::move(data_file));
  // The positions go, in order, to the frames that have no source yet; the
  // assignment stops at the last frame.
  const size_t frames = video->sources.size();
  for (uint32_t n = 0; n < count; ++n) {
    while (*frame_counter >= 0 && static_cast<size_t>(*frame_counter) < frames &&
           video->sources[static_cast<size_t>(*frame_counter)] != nullptr)
      ++*frame_counter;
    if (*frame_counter < 0 || static_cast<size_t>(*frame_counter) >= frames) break;
    const size_t frame = static_cast<size_t>(*frame_counter);
    video->sources[frame] = source;
    video->positions[frame] = LoadU32(positions.data() + 4 * n);
    ++*frame_counter;
  }
  references_resolved_ = true;
  // Continue after the chunk, whatever the block left unused.
  return SkipChunk(chunk, data_start);
}

int RefAviReader::ResolveReferences() {
  auto* video = streams_ ? static_cast<VideoStream*>(streams_->FindByKind(StreamEntry::kVideo, 0)) : nullptr;
  if (video == nullptr) return 0;
  // dwLength bounds the frames, and so do the index entries read.
  size_t frames = video->header().dwLength;
  if (frames > video->sources.size()) frames = video->sources.size();
  const bool whole_file_flag = (main_header_.dwFlags & AVIF_WASCAPTUREFILE) != 0;
  uint8_t record[kMaxRefRecordSize + 1];
  for (size_t i = 0; i < frames; ++i) {
    if (video->sources[i] != nullptr) continue;
    uint32_t size;
    if (!file_->SeekTo(video->positions[i] + 4) || !ReadU32(&size)) return 0;
    if (size < RefRecordLayout::kHeaderSize || size > kMaxRefRecordSize) return 0;
    if (file_->Read(record, size) != size) return 0;
    if (LoadU32(record) != fcc::REF_) return 0;
    record[size] = 0;
    const char* text = reinterpret_cast<const char*>(record + RefRecordLayout::kOffPath);
    const std::string path(text, strnlen(text, size - RefRecordLayout::kOffPath));
    BufferedFile* data_file = video->FindDataFile(path);
    if (data_file == nullptr) {
      auto opened = std::make_unique<BufferedFile>(fs_);
      if (!opened->Open(path, 0)) return 0;
      data_file = video->AddDataFile(std::move(opened));
    }
    const uint32_t offset = LoadU32(record + RefRecordLayout::kOffOffset);
    video->sources[i] = data_file;
    if (whole_file_flag && offset == 0 && IsWholeFilePath(path)) {
      // A plain sequence of equal frames supplies this frame and the next.
      const uint64_t step = WholeFileStep(main_header_.dwHeight);
      const uint64_t count = data_file->Size() / step;
      video->positions[i] = 0;
      for (uint64_t k = 1; k < count && i + 1 < frames; ++k) {
        ++i;
        video->sources[i] = data_file;
        video->positions[i] = k * step;
      }
    } else {
      video->positions[i] = offset;
    }
  }
  return 1;
}

}  // namespace mendora
