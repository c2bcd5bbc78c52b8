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
  frames->frame_size = DvFrameSize(reader.main_header().dwHeight);
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

ContentCheckResult CheckLinkContent(FileSystem& fs, const std::string& candidate, const LinkFrames& link,
                                    uint32_t frame_size) {
  ContentCheckResult result;
  std::unique_ptr<File> file = fs.Open(candidate, OpenMode::kRead);
  uint64_t size = 0;
  if (!file || !file->Size(&size)) {
    result.verdict = ContentVerdict::kCannotOpen;
    return result;
  }
  // The headers are read in batches, all of a batch handed to the system at
  // once: one system call each would take longer than the reads themselves.
  // The first batch is small, so that a file of another capture, which
  // mostly fails at its first frame, is passed over at once; later ones
  // grow to a few thousand, which bounds the memory and is large enough for
  // the POSIX file system to share each between two threads (the kernel's
  // copy of each read out of the cache is then the time left).
  constexpr size_t kFirstBatch = 64, kMaxBatch = 4096;
  const std::vector<uint32_t>& offsets = link.offsets;
  std::vector<uint64_t> at;
  std::vector<uint8_t> headers;
  size_t batch = kFirstBatch;
  for (size_t begin = 0; begin < offsets.size(); begin += batch, batch = std::min(batch * 2, kMaxBatch)) {
    const size_t end = std::min(offsets.size(), begin + batch);
    // Only the frames that lie inside the file are read; the first that
    // does not is the verdict, unless one before it fails.
    at.clear();
    for (size_t i = begin; i < end && offsets[i] + uint64_t{ChunkHeader::kSize} + frame_size <= size; ++i)
      at.push_back(offsets[i]);
    headers.resize(at.size() * ChunkHeader::kSize);
    const size_t whole = file->ReadAtEach(at.data(), at.size(), ChunkHeader::kSize, headers.data());
    for (size_t k = 0; k < at.size(); ++k) {
      const uint8_t* header = headers.data() + k * ChunkHeader::kSize;
      result.offset = at[k];
      if (k >= whole || !IsVideoFrameChunkId(LoadU32(header))) {
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
    if (begin + at.size() < end) {
      result.offset = offsets[begin + at.size()];
      result.verdict = ContentVerdict::kPastEnd;
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
