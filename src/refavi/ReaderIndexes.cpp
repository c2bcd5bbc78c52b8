// The reader's side of the stream table: the two index forms, REFI blocks
// in "JUNK" chunks, and the resolution of reference chunks to data files.
#include <cstring>

#include "refavi/RefAviReader.h"

namespace mendora {

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

  std::vector<uint8_t> index;
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
    index.resize(entry.dwSize);
    if (file_->Read(index.data(), index.size()) != index.size()) return 0;
    AviStdIndexHeader header;
    AviStdIndexHeader::Decode(index.data(), index.size(), &header);
    if (header.nEntriesInUse > (entry.dwSize - AviStdIndexHeader::kSize) / AviStdIndexEntry::kSize) return 0;
    for (uint32_t k = 0; k < header.nEntriesInUse; ++k) {
      const AviStdIndexEntry e =
          AviStdIndexEntry::Decode(index.data() + AviStdIndexHeader::kSize + k * AviStdIndexEntry::kSize);
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
  std::vector<uint8_t> copy;
  if (!ReadChunkWhole(chunk, data_start, &copy)) return 0;
  const uint8_t* data = copy.data() + ChunkHeader::kSize;
  const size_t count = (copy.size() - ChunkHeader::kSize) / AviOldIndexEntry::kSize;
  uint64_t base = movi_base_;
  if (count > 0 && movi_base_ < kIdx1AbsoluteLimit &&
      movi_base_ <= AviOldIndexEntry::Decode(data).dwChunkOffset)
    base = 0;  // offsets are absolute file positions
  const bool reference_handler = IsReferenceHandler(video_handler_);
  uint64_t previous = 0;
  for (size_t i = 0; i < count; ++i) {
    const AviOldIndexEntry entry = AviOldIndexEntry::Decode(data + i * AviOldIndexEntry::kSize);
    const char kind = ChunkKind(entry.ckid);
    const uint32_t length = entry.dwChunkLength & kSizeMask;
    const bool reference = kind == kKindVideo && reference_handler && IsReferenceChunkSize(length);
    if (reference) has_reference_chunks_ = true;
    uint64_t position = base + entry.dwChunkOffset;
    if ((kind == kKindVideo || kind == kKindAudio) && length == 0) position = previous;
    previous = position;
    StreamEntry* stream = streams_ ? streams_->FindByChunkId(entry.ckid) : nullptr;
    if (stream != nullptr && !stream->positions_from_super_index &&
        !AppendPosition(stream, position, reference))
      return 0;
    OnIdx1Entry();
  }
  return 1;
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
