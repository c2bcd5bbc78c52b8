#pragma once
// The streams of a reference AVI as the analysis walk finds them: per stream
// the frame positions in index order and, for video, where each frame's data
// lies (the AVI itself or a data file named by a REF record or REFI block).
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "refavi/BufferedFile.h"
#include "refavi/Layout.h"

namespace mendora {

class RefAviReader;

class StreamEntry {
 public:
  static constexpr int kVideo = 0;
  static constexpr int kAudio = 1;

  // `header` is the "strh" chunk as read: the 8-byte chunk header and data.
  StreamEntry(RefAviReader* owner, std::vector<uint8_t> header);
  virtual ~StreamEntry() = default;
  StreamEntry(const StreamEntry&) = delete;
  StreamEntry& operator=(const StreamEntry&) = delete;

  virtual int Kind() const = 0;

  RefAviReader* owner() const { return owner_; }
  const std::vector<uint8_t>& header_copy() const { return header_copy_; }
  const AviStreamHeader& header() const { return header_; }
  // The "strf" data as read.
  const std::vector<uint8_t>& format() const { return format_; }
  void set_format(std::vector<uint8_t> format) { format_ = std::move(format); }

  // Positions of the frame chunks' 8-byte headers, one per index entry.
  std::vector<uint64_t> positions;
  // Set when an "indx" names this stream; "idx1" entries are then not added.
  bool positions_from_super_index = false;

 private:
  RefAviReader* owner_;
  std::vector<uint8_t> header_copy_;
  AviStreamHeader header_;
  std::vector<uint8_t> format_;
};

class VideoStream : public StreamEntry {
 public:
  using StreamEntry::StreamEntry;
  int Kind() const override { return kVideo; }

  // Parallel to the positions: the reader's own file, one of data_files, or
  // null while a reference chunk is unresolved. Not owned.
  std::vector<BufferedFile*> sources;

  // Data files opened while resolving references, in order of opening.
  const std::vector<std::unique_ptr<BufferedFile>>& data_files() const { return data_files_; }
  BufferedFile* AddDataFile(std::unique_ptr<BufferedFile> file);
  // The data file opened under exactly this name, or null.
  BufferedFile* FindDataFile(const std::string& name) const;

 private:
  std::vector<std::unique_ptr<BufferedFile>> data_files_;
  std::unordered_map<std::string, BufferedFile*> by_name_;  // newest of each name
};

class AudioStream : public StreamEntry {
 public:
  using StreamEntry::StreamEntry;
  int Kind() const override { return kAudio; }
};

class StreamTable {
 public:
  // "vids" makes a VideoStream, "auds" an AudioStream; any other type fails.
  bool Add(RefAviReader* owner, std::vector<uint8_t> header_copy);

  // The stream a frame chunk id names: number from the first two characters,
  // kind from the third ('d' video, 'w' audio); null when the stream there is
  // of the other kind or there is none.
  StreamEntry* FindByChunkId(uint32_t id) const;
  // The n-th stream (from 0) of `kind`, or null.
  StreamEntry* FindByKind(int kind, int n) const;

  size_t size() const { return streams_.size(); }
  StreamEntry* at(size_t i) const { return streams_[i].get(); }
  StreamEntry* last() const { return streams_.empty() ? nullptr : streams_.back().get(); }

 private:
  std::vector<std::unique_ptr<StreamEntry>> streams_;
};

}  // namespace mendora
