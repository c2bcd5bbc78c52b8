#pragma once
// The content check of a data file: does a candidate for a missing link
// hold the frames that the reference AVI takes from that link? A file of
// the same name from another capture (PAL frames where the reference is
// NTSC, a shorter take) must never be linked, so every candidate, from the
// search, a mapped folder or the user's hand, passes this check first.
//
// A candidate passes when, at every frame offset that the link's REF records
// name, there is a video data chunk header ("##db" or "##dc"), its size is
// the reference's DV frame size, and the chunk lies inside the file.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "platform/progress.h"

namespace mendora {

// What a reference AVI takes from each of its data links.
struct LinkFrames {
  std::string path;              // the link as recorded
  std::vector<uint32_t> offsets; // frame chunk header offsets, ascending, each once
  size_t frame_count = 0;        // REF records naming the link, repeats counted
};

struct ReferenceFrames {
  uint32_t frame_size = 0;  // 120000 (525 lines) or 144000 (625 lines)
  std::vector<LinkFrames> links;  // in the order of the data link list

  // The frames of `path` (compared byte for byte), or null.
  const LinkFrames* Find(const std::string& path) const;
};

// Walks the reference AVI `path` and fills *frames. False when the walk
// failed or was cancelled (`progress` may be null).
bool ReadReferenceFrames(FileSystem& fs, const std::string& path, ReferenceFrames* frames,
                         ProgressReporter* progress = nullptr);

enum class ContentVerdict {
  kHoldsFrames,   // every frame is where the reference expects it
  kCannotOpen,    // the candidate could not be opened or sized
  kNoFrameChunk,  // no "##db"/"##dc" header at an offset (or it could not be read)
  kWrongSize,     // a frame chunk of another size (another video standard)
  kPastEnd,       // a frame reaches past the end of the file (a shorter capture)
};

struct ContentCheckResult {
  ContentVerdict verdict = ContentVerdict::kHoldsFrames;
  uint64_t offset = 0;      // the first offset that failed
  uint32_t found_size = 0;  // kWrongSize: the size found there
  bool ok() const { return verdict == ContentVerdict::kHoldsFrames; }
};

// Checks `candidate` against the frames a reference takes from one link.
// Reads one 8-byte header per offset, in batches (File::ReadAtEach),
// through the system's cache; on POSIX the large batches go through
// io_uring on two threads where there are two CPUs.
ContentCheckResult CheckLinkContent(FileSystem& fs, const std::string& candidate, const LinkFrames& link,
                                    uint32_t frame_size);

// The reason in words, for the console tool: "holds the frames", "has no
// frame chunk at offset 1234", ...
std::string DescribeContentCheck(const ContentCheckResult& result, uint32_t frame_size);

}  // namespace mendora
