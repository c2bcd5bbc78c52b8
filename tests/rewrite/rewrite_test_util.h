#pragma once
// Shared helpers of the rewriting tests: running the creation step on test
// drives, and an independent walk over a written file's RIFF structure.
#include <cstdint>
#include <string>
#include <vector>

#include "refavi/GetContentList.h"
#include "refavi/fixtures.h"
#include "rewrite/CreateAvi.h"
#include "support/test_drives.h"

namespace mendora::test {

struct StepResult {
  int result = -1;
  int code = -2;
  int detail = -2;
};

// Runs the creation step with replacement pairs.
inline StepResult Rewrite(FileSystem& fs, const std::string& source, const std::string& output,
                          const std::vector<std::string>& old_paths = {},
                          const std::vector<std::string>& new_paths = {}, ProgressReporter* progress = nullptr) {
  std::vector<const char*> olds, news;
  for (const auto& p : old_paths) olds.push_back(p.c_str());
  for (const auto& p : new_paths) news.push_back(p.c_str());
  olds.push_back(nullptr);
  news.push_back(nullptr);
  StepResult r;
  r.result = CreateRefAvi(fs, source.c_str(), output.c_str(), olds.data(), news.data(), &r.code, &r.detail, progress);
  return r;
}

struct Links {
  int result = -1;
  std::vector<std::string> paths;
};

inline Links AnalyzeLinks(FileSystem& fs, const std::string& path) {
  ContentListReader reader(fs);
  DataLinkList list;
  Links links;
  links.result = reader.GetContentList(path, 1, &list, nullptr);
  links.paths = list.paths();
  return links;
}

// The video frame positions the analysis walk finds; empty when it fails.
inline std::vector<uint64_t> VideoPositions(FileSystem& fs, const std::string& path) {
  RefAviReader reader(fs);
  if (!reader.Open(path, 1) || !reader.Walk() || !reader.SelectVideoStream(0)) return {};
  return reader.selected_video_stream()->positions;
}

// One chunk of a file as an independent walk sees it.
struct Seen {
  int depth = 0;
  uint32_t id = 0;
  uint32_t type = 0;  // list type, 0 for chunks
  uint64_t position = 0;  // of the header
  uint32_t size = 0;
  std::string name() const { return FourccText(type != 0 ? type : id); }
};

// Walks RIFF and LIST chunks (not the frames inside "movi" unless asked).
inline void WalkChunks(const std::string& bytes, uint64_t from, uint64_t to, int depth, bool into_movi,
                       std::vector<Seen>* out) {
  uint64_t at = from;
  while (at + 8 <= to && at + 8 <= bytes.size()) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    Seen s;
    s.depth = depth;
    s.id = LoadU32(p);
    s.size = LoadU32(p + 4);
    s.position = at;
    const bool list = s.id == fcc::RIFF || s.id == fcc::LIST;
    if (list && at + 12 <= bytes.size()) s.type = LoadU32(p + 8);
    out->push_back(s);
    if (list && (s.type != fcc::movi || into_movi)) {
      WalkChunks(bytes, at + 12, std::min<uint64_t>(to, at + 8 + s.size), depth + 1, into_movi, out);
    }
    at += 8 + RoundedSize(s.size);
  }
}

inline std::vector<Seen> Structure(const std::string& bytes, bool into_movi = false) {
  std::vector<Seen> out;
  WalkChunks(bytes, 0, bytes.size(), 0, into_movi, &out);
  return out;
}

inline std::string Names(const std::vector<Seen>& seen, int max_depth) {
  std::string out;
  for (const Seen& s : seen) {
    if (s.depth > max_depth) continue;
    if (!out.empty()) out += ' ';
    out += std::string(static_cast<size_t>(s.depth), '.') + s.name();
  }
  return out;
}

inline uint32_t U32At(const std::string& bytes, uint64_t at) {
  return LoadU32(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}
inline uint64_t U64At(const std::string& bytes, uint64_t at) {
  return LoadU64(reinterpret_cast<const uint8_t*>(bytes.data() + at));
}

inline const Seen* Find(const std::vector<Seen>& seen, uint32_t key, int n = 1) {
  for (const Seen& s : seen)
    if ((s.id == key || s.type == key) && --n == 0) return &s;
  return nullptr;
}

// Sets avih dwTotalFrames (and dmlh's, when present) of a built file.
inline void SetTotalFrames(std::string* bytes, uint32_t frames) {
  for (const Seen& s : Structure(*bytes)) {
    if (s.id == fcc::avih || s.id == fcc::dmlh) {
      const uint64_t at = s.position + 8 + (s.id == fcc::avih ? 16 : 0);
      StoreU32(reinterpret_cast<uint8_t*>(bytes->data() + at), frames);
    }
  }
}

}  // namespace mendora::test
