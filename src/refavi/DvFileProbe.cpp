#include "refavi/DvFileProbe.h"

namespace mendora {

int DvFileProbe::Open(const std::string& path, int flags) {
  status_ = kDvProbeNotDv;
  path_ = path;
  file_ = std::make_unique<BufferedFile>(fs_);
  if ((flags & 1) == 0) return 0;
  if (!file_->Open(path, 0)) {
    status_ = kDvProbeOpenFailed;
    return 0;
  }
  file_size_ = file_->Size();
  const int result = Walk();
  if (result == 0) Close();
  return result;
}

int DvFileProbe::Walk() {
  if (!file_ || !file_->IsOpen() || !file_->SeekTo(0)) return 0;
  uint64_t walked = 0;
  while (walked < file_size_) {
    ChunkHeader header;
    if (!ReadHeader(&header)) return 0;
    if (header.id != fcc::RIFF) {
      if (IsDataFrameChunkId(header.id)) {
        status_ = kDvProbeIsDv;
        return 1;
      }
      return walked != 0 ? 1 : 0;
    }
    const uint64_t data_start = file_->Tell();
    if (!IsWalkedList(fcc::RIFF, ReadFourcc())) return 0;
    if (header.size >= kListTypeSize && !ProbeChunkWalk(data_start + RoundedSize(header.size), 0))
      return 0;
    walked = file_->Tell();
  }
  return 1;
}

int DvFileProbe::ProbeChunkWalk(uint64_t end, int depth) {
  if (depth > kMaxListDepth) return 0;
  int result = 1;
  while (file_->Tell() < end) {
    ChunkHeader chunk;
    if (!ReadHeader(&chunk)) return 0;
    const uint64_t data_start = file_->Tell();
    if (chunk.id == fcc::LIST && chunk.size >= kListTypeSize) {
      const uint32_t type = ReadFourcc();
      // Only the lists on the way to the first stream header.
      if (type == fcc::hdrl || type == fcc::strl) {
        result = ProbeChunkWalk(data_start + RoundedSize(chunk.size), depth + 1);
      } else {
        result = SkipChunk(chunk, data_start);
      }
    } else if (chunk.id == fcc::strh) {
      // Only the first stream header is tested; the walk ends here.
      uint32_t type, handler;
      if (chunk.size >= AviStreamHeader::kOffHandler + 4 && data_start + chunk.size <= file_size_ &&
          ReadU32(&type) && ReadU32(&handler))
        status_ = IsDvHandlerText(handler) ? kDvProbeIsDv : kDvProbeNotDv;
      return 0;
    } else {
      result = SkipChunk(chunk, data_start);
    }
    if (result == 0) return 0;
  }
  return result;
}

int ProbeDvFile(FileSystem& fs, const std::string& path) {
  DvFileProbe probe(fs);
  probe.Open(path, 1);
  return probe.status();
}

}  // namespace mendora
