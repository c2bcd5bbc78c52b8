#include "refavi/ContentCheck.h"

#include <algorithm>
#include <cstdio>

#include "refavi/GetContentList.h"
#include "refavi/Layout.h"

namespace mendora {

const LinkFrames* ReferenceFrames::Find(const std::string& path) const {
  for (const LinkFrames& link : links)
    if (link.path == path) return &link;
  return nullptr;
}

bool ReadReferenceFrames(FileSystem& fs, const std::string& path, ReferenceFrames* frames,
                         ProgressReporter* progress) {
  *frames = ReferenceFrames();
  ContentListReader reader(fs);
  DataLinkList list;
  list.set_collect_offsets(true);
  if (!reader.GetContentList(path, 1, &list, progress)) return false;
  frames->frame_size = reader.main_header().dwHeight == 480 ? kDvFrameSize525 : kDvFrameSize625;
  frames->links.reserve(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    LinkFrames link;
    link.path = list[i];
    link.offsets = list.offsets(i);
    link.frame_count = link.offsets.size();
    std::sort(link.offsets.begin(), link.offsets.end());
    link.offsets.erase(std::unique(link.offsets.begin(), link.offsets.end()), link.offsets.end());
    frames->links.push_back(std::move(link));
  }
  return true;
}

namespace {

bool IsVideoDataChunkId(uint32_t id) {
  const char a = FourccChar(id, 0), b = FourccChar(id, 1), c = FourccChar(id, 2), d = FourccChar(id, 3);
  return a >= '0' && a <= '9' && b >= '0' && b <= '9' && c == 'd' && (d == 'b' || d == 'c');
}

}  // namespace

ContentCheckResult CheckLinkContent(FileSystem& fs, const std::string& candidate, const LinkFrames& link,
                                    uint32_t frame_size) {
  ContentCheckResult result;
  std::unique_ptr<File> file = fs.Open(candidate, OpenMode::kRead);
  uint64_t size = 0;
  if (!file || !file->Size(&size)) {
    result.verdict = ContentVerdict::kCannotOpen;
    return result;
  }
  // The offsets are ascending, so the reads go forward through the file
  // and the system's read-ahead serves them.
  for (const uint32_t offset : link.offsets) {
    result.offset = offset;
    if (offset + uint64_t{ChunkHeader::kSize} + frame_size > size) {
      result.verdict = ContentVerdict::kPastEnd;
      return result;
    }
    uint8_t header[ChunkHeader::kSize];
    if (file->ReadAt(offset, header, sizeof header) != sizeof header || !IsVideoDataChunkId(LoadU32(header))) {
      result.verdict = ContentVerdict::kNoFrameChunk;
      return result;
    }
    const uint32_t chunk_size = LoadU32(header + 4);
    if (chunk_size != frame_size) {
      result.verdict = ContentVerdict::kWrongSize;
      result.found_size = chunk_size;
      return result;
    }
  }
  result.offset = 0;
  return result;
}

std::string DescribeContentCheck(const ContentCheckResult& result, uint32_t frame_size) {
  char text[160];
  const auto offset = static_cast<unsigned long long>(result.offset);
  switch (result.verdict) {
    case ContentVerdict::kHoldsFrames: return "holds the frames";
    case ContentVerdict::kCannotOpen: return "cannot be read";
    case ContentVerdict::kNoFrameChunk:
      std::snprintf(text, sizeof text, "has no frame chunk at offset %llu", offset);
      return text;
    case ContentVerdict::kWrongSize:
      std::snprintf(text, sizeof text, "has a frame of %u bytes at offset %llu, not %u", result.found_size, offset,
                    frame_size);
      return text;
    case ContentVerdict::kPastEnd:
      std::snprintf(text, sizeof text, "ends before the frame at offset %llu", offset);
      return text;
  }
  return "";
}

}  // namespace mendora
