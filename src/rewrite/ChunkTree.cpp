#include "rewrite/ChunkTree.h"

#include <algorithm>
#include <cstring>

#include "rewrite/PlainFile.h"

namespace mendora {
namespace {

// Lookup helpers over the tree in document order or its reverse.
ChunkNode* Search(NodeList& list, uint32_t key, int* n, bool backward) {
  const size_t count = list.size();
  for (size_t k = 0; k < count; ++k) {
    ChunkNode* node = list[backward ? count - 1 - k : k].get();
    if (node->id == key || (node->list_type != 0 && node->list_type == key)) {
      if (--*n == 0) return node;
      continue;
    }
    if (ChunkNode* found = Search(node->children, key, n, backward)) return found;
  }
  return nullptr;
}

uint64_t Recompute(ChunkNode& node) {
  if (!node.children.empty()) {
    uint64_t sum = node.list_type != 0 ? 4 : 0;
    for (auto& child : node.children) sum += Recompute(*child);
    node.size = static_cast<uint32_t>(sum);
  }
  return NodeLength(node.size);
}

// Offset search: lists are searched inside before the list itself is tested.
bool Offset(const NodeList& list, uint64_t start, uint32_t key, int* n, uint64_t* out) {
  uint64_t at = start;
  for (const auto& node : list) {
    if (!node->children.empty()) {
      const uint64_t inner = at + (node->list_type != 0 ? 12 : 8);
      if (Offset(node->children, inner, key, n, out)) return true;
    }
    if (node->id == key || (node->list_type != 0 && node->list_type == key)) {
      if (--*n == 0) {
        *out = at;
        return true;
      }
    }
    at += NodeLength(node->size);
  }
  return false;
}

}  // namespace

int ChunkTree::Fail(int code, int detail, bool with_detail) {
  if (error_code_ != nullptr) *error_code_ = code;
  if (with_detail && error_detail_ != nullptr) *error_detail_ = detail;
  return 0;
}

ChunkNode* ChunkTree::AppendAtDepth(uint32_t id, uint32_t size, uint32_t list_type, int depth) {
  NodeList* list = &top_;
  for (int d = 0; d < depth; ++d) {
    if (list->empty()) {
      Fail(ERR_REWRITE_TREE);
      return nullptr;
    }
    list = &list->back()->children;
  }
  list->push_back(std::make_unique<ChunkNode>(id, size, list_type));
  return list->back().get();
}

ChunkNode* ChunkTree::AppendUnder(uint32_t id, uint32_t size, uint32_t list_type, uint32_t key, int n,
                                  Direction direction) {
  ChunkNode* parent = Lookup(key, n, direction);
  NodeList& list = parent != nullptr ? parent->children : top_;
  list.push_back(std::make_unique<ChunkNode>(id, size, list_type));
  return list.back().get();
}

int ChunkTree::AttachData(SharedBytes data, size_t offset, ChunkNode* start) {
  ChunkNode* node = start;
  if (node == nullptr) {
    if (top_.empty()) return Fail(ERR_REWRITE_TREE);
    node = top_.back().get();
  } else if (node->children.empty()) {
    return Fail(ERR_REWRITE_TREE);
  }
  while (!node->children.empty()) node = node->children.back().get();
  node->data = std::move(data);
  node->data_offset = offset;
  return 1;
}

ChunkNode* ChunkTree::Lookup(uint32_t key, int n, Direction direction) {
  if (n < 1) return nullptr;
  return Search(top_, key, &n, direction == kBackward);
}

uint64_t ChunkTree::RecomputeSizes() {
  uint64_t total = 0;
  for (auto& node : top_) total += Recompute(*node);
  return total;
}

uint64_t ChunkTree::TotalLength() const {
  uint64_t total = 0;
  for (const auto& node : top_) total += NodeLength(node->size);
  return total;
}

int ChunkTree::OffsetOf(uint32_t key, int n, uint64_t* offset) {
  if (n >= 1 && Offset(top_, 0, key, &n, offset)) return 1;
  return Fail(ERR_REWRITE_TREE);
}

bool ChunkTree::WriteBytes(const void* data, size_t n) {
  if (n == 0) return true;
  if (output_->Write(data, n) == n) return true;
  Fail(ERR_REWRITE_WRITE, kDetailWrite, true);
  return false;
}

int ChunkTree::WriteTree() {
  if (output_ == nullptr) return Fail(ERR_REWRITE_TREE);
  int ordinal = 0;
  return WriteList(top_, &ordinal);
}

int ChunkTree::WriteList(NodeList& list, int* movi_ordinal) {
  static const uint8_t kZeros[256] = {};
  for (auto& node : list) {
    uint8_t header[12];
    StoreU32(header, node->id);
    StoreU32(header + 4, node->size);
    StoreU32(header + 8, node->list_type);
    if (!WriteBytes(header, node->list_type != 0 ? 12 : 8)) return 0;
    if (!node->children.empty()) {
      if (!WriteList(node->children, movi_ordinal)) return 0;
      continue;
    }
    if (node->id == fcc::LIST && node->list_type == fcc::movi) {
      if (!OnMovi(*node, (*movi_ordinal)++)) return 0;
      continue;
    }
    // The data, less the list type already written; whatever the buffer
    // lacks is written as zeros so the sizes in the headers stay true.
    uint64_t want = node->size;
    size_t skip = 0;
    if (node->list_type != 0) {
      want = want >= 4 ? want - 4 : 0;
      skip = 4;
    }
    const size_t have = node->DataSize() > skip ? node->DataSize() - skip : 0;
    const size_t from_data = static_cast<size_t>(std::min<uint64_t>(want, have));
    if (!WriteBytes(node->Data() + (from_data != 0 ? skip : 0), from_data)) return 0;
    for (uint64_t left = want - from_data; left > 0;) {
      const size_t part = static_cast<size_t>(std::min<uint64_t>(left, sizeof kZeros));
      if (!WriteBytes(kZeros, part)) return 0;
      left -= part;
    }
    if ((node->size & 1) != 0 && !WriteBytes(kZeros, 1)) return 0;
  }
  return 1;
}

}  // namespace mendora
