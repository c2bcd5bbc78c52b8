#pragma once
// Writes a one-hour NTSC reference AVI for the analysis benchmark: 108,000
// video chunks holding REF records into 10 data files, a 48 kHz stereo PCM
// chunk beside each (or no audio: the 8 MB file of references alone),
// OpenDML super indexes with standard index blocks in "movi", and "idx1"
// with absolute offsets.
#include <cstdint>
#include <string>

namespace mendora::bench {

struct ReferenceAviShape {
  uint32_t frames = 108000;
  int data_files = 10;
  bool audio = true;
  // When set, each data file holds this many frames and the files are named
  // in turn (frame i is frame i % cycle of file (i / cycle) % data_files + 1);
  // else the frames are split evenly between them.
  uint32_t cycle = 0;
};

// Writes the file at `native_path`. False when it cannot be written.
bool WriteReferenceAvi(const std::string& native_path, const ReferenceAviShape& shape);

// The data link of frame `i` (its data file), as recorded.
std::string DataLinkOf(const ReferenceAviShape& shape, uint32_t i);

}  // namespace mendora::bench
