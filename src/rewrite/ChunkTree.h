#pragma once
// The in-memory model of the header part of a RIFF file. The parser loads
// a source reference AVI's header chunks into it (frame data never), the
// writer builds the new file's tree from it, keeps its sizes current while
// frames are appended and finally writes it over the start of the output.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/ErrorCodes.h"
#include "refavi/Layout.h"

namespace mendora {

class PlainFile;

using ByteBuffer = std::vector<uint8_t>;
using SharedBytes = std::shared_ptr<ByteBuffer>;

struct ChunkNode {
  uint32_t id = 0;
  // Data size of a chunk; for a list 4 (its type) plus its children's length.
  uint32_t size = 0;
  uint32_t list_type = 0;  // 0 for plain chunks
  // The data as it is to be written, starting at data_offset in the buffer.
  // For a list without children the whole data, list type included. A
  // buffer may be shared with its producer (the writer changes "avih" and
  // "strh" in place when it finishes).
  SharedBytes data;
  size_t data_offset = 0;
  std::vector<std::unique_ptr<ChunkNode>> children;

  ChunkNode(uint32_t id_, uint32_t size_, uint32_t list_type_) : id(id_), size(size_), list_type(list_type_) {}
  size_t DataSize() const { return data == nullptr || data_offset > data->size() ? 0 : data->size() - data_offset; }
  const uint8_t* Data() const { return data == nullptr ? nullptr : data->data() + data_offset; }
};

using NodeList = std::vector<std::unique_ptr<ChunkNode>>;

// A view (Layout.h) over the data of a kept item that starts `header`
// bytes into its buffer; a missing item gives an empty view.
template <class View>
View DataView(const SharedBytes& bytes, size_t header) {
  if (bytes == nullptr || bytes->size() < header) return View();
  return View(bytes->data() + header, bytes->size() - header);
}

// The length a node takes in the file: header, data and pad byte.
constexpr uint64_t NodeLength(uint32_t size) { return static_cast<uint64_t>(size) + 8 + (size & 1); }

class ChunkTree {
 public:
  enum Direction { kForward, kBackward };

  ChunkTree() = default;
  virtual ~ChunkTree() = default;
  ChunkTree(const ChunkTree&) = delete;
  ChunkTree& operator=(const ChunkTree&) = delete;

  // Hook for a node list; the builder walks the tree through it.
  virtual int OnNodeList(NodeList& /*list*/) { return 1; }
  // Hook for each LIST "movi" while the tree is written; ordinal 0 is the
  // first "movi".
  virtual int OnMovi(ChunkNode& /*movi*/, int /*ordinal*/) { return 1; }

  // Appends to the list reached by descending `depth` times from the top
  // level, each time into the last node. Null (767) when a list on the way
  // is empty.
  ChunkNode* AppendAtDepth(uint32_t id, uint32_t size, uint32_t list_type, int depth);
  // Appends to the children of the n-th match of `key`, or to the top level
  // when there is none.
  ChunkNode* AppendUnder(uint32_t id, uint32_t size, uint32_t list_type, uint32_t key, int n, Direction direction);
  // Sets the data of the last leaf below `start` (or below the last
  // top-level node). 0 (767) when there is none.
  int AttachData(SharedBytes data, size_t offset, ChunkNode* start = nullptr);
  // Depth-first pre-order search; a node matches when its id or list type
  // equals key; a match's children are not searched. n counts from 1.
  ChunkNode* Lookup(uint32_t key, int n, Direction direction);
  // Bottom-up sizes of every list with children; returns the top level's
  // total length.
  uint64_t RecomputeSizes();
  uint64_t TotalLength() const;
  // The file offset of the n-th node matching key (lists searched inside
  // first). 0 (767) when none.
  int OffsetOf(uint32_t key, int n, uint64_t* offset);
  // Writes the whole tree at the output's current position.
  int WriteTree();

  NodeList& top_level() { return top_; }
  const NodeList& top_level() const { return top_; }

 protected:
  int Fail(int code, int detail = 0, bool with_detail = false);

  NodeList top_;
  PlainFile* output_ = nullptr;
  int* error_code_ = nullptr;
  int* error_detail_ = nullptr;

 private:
  int WriteList(NodeList& list, int* movi_ordinal);
  bool WriteBytes(const void* data, size_t n);
};

}  // namespace mendora
