#pragma once
// Reference AVIs made from real DV AVIs for the export tests: the frames of
// a DV AVI go to data files as a capture program writes them ("00db"
// chunks one after the other), and a reference AVI built by the fixtures
// builder names each by a REF record, with the DV AVI's sound chunks.
#include <string>
#include <vector>

#include "rewrite/rewrite_test_util.h"

namespace mendora::test {

struct SplitAvi {
  std::string reference;                // Windows path
  std::vector<std::string> data_files;  // Windows paths
  std::vector<std::string> frames;      // the video frames, in order
  std::vector<std::string> sounds;      // the sound chunks, in order
};

// The video and sound chunks of a RIFF file, in file order.
inline void MoviChunks(const std::string& bytes, std::vector<std::string>* video, std::vector<std::string>* sound) {
  for (const Seen& s : Structure(bytes, true)) {
    if (s.type != 0 || s.depth < 2 || s.position + 8 + s.size > bytes.size()) continue;
    const char kind = FourccChar(s.id, 2);
    const bool stream = FourccChar(s.id, 0) >= '0' && FourccChar(s.id, 0) <= '9';
    if (!stream) continue;
    if (kind == 'd' && video != nullptr) video->push_back(bytes.substr(s.position + 8, s.size));
    if (kind == 'w' && sound != nullptr) sound->push_back(bytes.substr(s.position + 8, s.size));
  }
}

// Splits the DV AVI `dv_avi` into `parts` data files named STEM.001, ...
// and the reference AVI `reference`.
inline SplitAvi SplitDvAvi(TestDrives& drives, const std::string& dv_avi, const std::string& reference,
                           const std::string& stem, int parts, bool ntsc) {
  SplitAvi split;
  split.reference = reference;
  MoviChunks(drives.ReadFile(dv_avi), &split.frames, &split.sounds);
  AviSpec recipe;
  recipe.audio = true;
  recipe.height = ntsc ? 480 : 576;
  recipe.video_scale = ntsc ? 1001 : 1;
  recipe.video_rate = ntsc ? 30000 : 25;
  recipe.micro_per_frame = ntsc ? 33367 : 40000;
  recipe.audio_chunks = split.sounds;
  const size_t per_part = (split.frames.size() + static_cast<size_t>(parts) - 1) / static_cast<size_t>(parts);
  std::string data;
  for (size_t i = 0; i < split.frames.size(); ++i) {
    const size_t part = i / per_part;
    if (split.data_files.size() <= part) {
      char name[32];
      std::snprintf(name, sizeof name, ".%03zu", part + 1);
      split.data_files.push_back(stem + name);
      data.clear();
    }
    recipe.frames.push_back(FrameSpec::Ref(split.data_files.back(), static_cast<uint32_t>(data.size())));
    data += U32(fcc::id00db) + U32(static_cast<uint32_t>(split.frames[i].size())) + split.frames[i];
    if ((i + 1) % per_part == 0 || i + 1 == split.frames.size()) drives.WriteFile(split.data_files.back(), data);
  }
  drives.WriteFile(reference, BuildAvi(recipe));
  return split;
}

}  // namespace mendora::test
