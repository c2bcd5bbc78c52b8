#include "refavi/StreamTable.h"

namespace mendora {

StreamEntry::StreamEntry(RefAviReader* owner, std::vector<uint8_t> header)
    : owner_(owner), header_copy_(std::move(header)) {
  // The copy holds at least the fields in use; the rest reads as zero.
  uint8_t data[AviStreamHeader::kSize] = {};
  const size_t have = header_copy_.size() - ChunkHeader::kSize;
  for (size_t i = 0; i < have && i < sizeof data; ++i) data[i] = header_copy_[ChunkHeader::kSize + i];
  AviStreamHeader::Decode(data, sizeof data, &header_);
}

BufferedFile* VideoStream::AddDataFile(std::unique_ptr<BufferedFile> file) {
  BufferedFile* raw = file.get();
  data_files_.push_back(std::move(file));
  by_name_[raw->Name()] = raw;
  return raw;
}

BufferedFile* VideoStream::FindDataFile(const std::string& name) const {
  auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second;
}

bool StreamTable::Add(RefAviReader* owner, std::vector<uint8_t> header_copy) {
  if (header_copy.size() < ChunkHeader::kSize + AviStreamHeader::kOffHandler + 4) return false;
  const uint32_t type = LoadU32(header_copy.data() + ChunkHeader::kSize + AviStreamHeader::kOffType);
  if (type == fcc::vids) {
    streams_.push_back(std::make_unique<VideoStream>(owner, std::move(header_copy)));
  } else if (type == fcc::auds) {
    streams_.push_back(std::make_unique<AudioStream>(owner, std::move(header_copy)));
  } else {
    return false;
  }
  return true;
}

StreamEntry* StreamTable::FindByChunkId(uint32_t id) const {
  const char kind = ChunkKind(id);
  int wanted;
  if (kind == kKindVideo) {
    wanted = StreamEntry::kVideo;
  } else if (kind == kKindAudio) {
    wanted = StreamEntry::kAudio;
  } else {
    return nullptr;
  }
  const int number = ChunkStreamNumber(id);
  if (number < 0 || static_cast<size_t>(number) >= streams_.size()) return nullptr;
  StreamEntry* stream = streams_[static_cast<size_t>(number)].get();
  return stream->Kind() == wanted ? stream : nullptr;
}

StreamEntry* StreamTable::FindByKind(int kind, int n) const {
  for (const auto& stream : streams_) {
    if (stream->Kind() != kind) continue;
    if (n-- == 0) return stream.get();
  }
  return nullptr;
}

}  // namespace mendora
