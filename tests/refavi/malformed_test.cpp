// Malformed files: every one gives a clean 0, with no read past a chunk and
// no allocation beyond what the file holds (ASan and the memory limit of
// the fuzzers watch the rest).
#include <gtest/gtest.h>

#include <chrono>

#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;
using test::RiffWriter;
using test::U32;
using test::U64;

const char kA[] = "D:\\clips\\tape1.001";

void Patch(std::string* bytes, size_t at, uint32_t value) {
  StoreU32(reinterpret_cast<uint8_t*>(bytes->data() + at), value);
}

size_t Find(const std::string& bytes, const char* id) {
  const size_t at = bytes.find(id);
  if (at == std::string::npos) throw std::runtime_error(std::string("no ") + id);
  return at;
}

int Walk(const std::string& bytes) {
  MemoryFileSystem fs;
  fs.Add("C:\\bad.avi", bytes);
  return test::WalkResult(fs, "C:\\bad.avi");
}

std::vector<std::string> Links(const std::string& bytes) {
  MemoryFileSystem fs;
  fs.Add("C:\\bad.avi", bytes);
  return test::Analyze(fs, "C:\\bad.avi").list.paths();
}

AviSpec Basic() {
  AviSpec recipe;
  recipe.audio = true;
  recipe.frames = {FrameSpec::Ref(kA), FrameSpec::Data(300)};
  return recipe;
}

TEST(Malformed, TheBasicFileIsReadable) { EXPECT_EQ(Walk(test::BuildAvi(Basic())), 1); }

TEST(Malformed, FileAndFormTypes) {
  EXPECT_EQ(Walk(""), 0);
  EXPECT_EQ(Walk(U32(fcc::LIST) + U32(4) + "AVI "), 0);
  std::string avi = test::BuildAvi(Basic());
  Patch(&avi, 8, MakeFourcc("AVIZ"));
  EXPECT_EQ(Walk(avi), 0);
  std::string wave = test::BuildWave();
  EXPECT_EQ(Walk(wave), 1);  // walked like an AVI; nothing in it is refused
}

TEST(Malformed, HeadersRefusedByTheirChecks) {
  AviSpec recipe = Basic();
  recipe.height = 486;
  EXPECT_EQ(Walk(test::BuildAvi(recipe)), 0);
  recipe = Basic();
  recipe.streams = 3;
  EXPECT_EQ(Walk(test::BuildAvi(recipe)), 0);
  recipe = Basic();
  recipe.bit_count = 16;
  EXPECT_EQ(Walk(test::BuildAvi(recipe)), 0);
  recipe = Basic();
  recipe.handler = fcc::dsvd;  // allowed in the stream header
  EXPECT_EQ(Walk(test::BuildAvi(recipe)), 1);
  recipe.compression = fcc::dsvd;  // but not as the compression
  EXPECT_EQ(Walk(test::BuildAvi(recipe)), 0);
  for (auto [w, h] : {std::pair{720u, 576u}, {856u, 480u}, {1024u, 576u}}) {
    recipe = Basic();
    recipe.width = w;
    recipe.height = h;
    EXPECT_EQ(Walk(test::BuildAvi(recipe)), 1) << w << "x" << h;
  }
  // A text stream makes the whole file unreadable.
  std::string avi = test::BuildAvi(Basic());
  Patch(&avi, Find(avi, "auds"), MakeFourcc("txts"));
  EXPECT_EQ(Walk(avi), 0);
  // An audio stream header with a handler.
  avi = test::BuildAvi(Basic());
  Patch(&avi, Find(avi, "auds") + 4, 1);
  EXPECT_EQ(Walk(avi), 0);
}

TEST(Malformed, HeaderChunksShorterThanTheirFields) {
  for (const char* id : {"avih", "strh"}) {
    std::string avi = test::BuildAvi(Basic());
    Patch(&avi, Find(avi, id) + 4, 20);
    EXPECT_EQ(Walk(avi), 0) << id;
  }
  std::string avi = test::BuildAvi(Basic());
  Patch(&avi, Find(avi, "strf") + 4, 39);
  EXPECT_EQ(Walk(avi), 0);
  avi = test::BuildAvi(Basic());
  Patch(&avi, avi.find("strf", Find(avi, "auds")) + 4, 13);
  EXPECT_EQ(Walk(avi), 0);
}

TEST(Malformed, ChunkSizesBeyondTheFile) {
  for (uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF0u, 0x7FFFFFFFu}) {
    for (const char* id : {"avih", "strh", "idx1", "JUNK"}) {
      AviSpec recipe = Basic();
      recipe.refi_path = "D:\\r.001";
      std::string avi = test::BuildAvi(recipe);
      Patch(&avi, Find(avi, id) + 4, size);
      EXPECT_EQ(Walk(avi), 0) << id << " " << size;
    }
  }
  // A "movi" chunk that runs past the end keeps the links before it.
  std::string avi = test::BuildAvi(Basic());
  const size_t first = avi.find("00db", Find(avi, "movi"));
  Patch(&avi, avi.find("00db", first + 8) + 4, 0xFFFFFFFEu);
  EXPECT_EQ(Walk(avi), 0);
  EXPECT_EQ(Links(avi), std::vector<std::string>{kA});
}

TEST(Malformed, RefRecordsShorterThanTheirFields) {
  AviSpec recipe = Basic();
  recipe.frames = {FrameSpec::Ref(kA), FrameSpec::Ref("D:\\second.001")};
  const std::string good = test::BuildAvi(recipe);
  const size_t second = good.find("REF ", good.find("REF ") + 4);
  // Path length far beyond the record.
  std::string avi = good;
  Patch(&avi, second + 12, 0xFFFFFFF0u);
  EXPECT_EQ(Walk(avi), 0);
  EXPECT_EQ(Links(avi), std::vector<std::string>{kA});
  avi = good;
  Patch(&avi, second + 12, 32);  // a field of 36 bytes in a 32-byte record
  EXPECT_EQ(Walk(avi), 0);
  // A record too short to hold its path length.
  avi = good;
  Patch(&avi, second - 4, 12);
  EXPECT_EQ(Walk(avi), 0);
  EXPECT_EQ(Links(avi), std::vector<std::string>{kA});
}

TEST(Malformed, SuperIndexEntriesBeyondTheirChunks) {
  AviSpec recipe = Basic();
  recipe.odml = true;
  const std::string good = test::BuildAvi(recipe);
  ASSERT_EQ(Walk(good), 1);
  const size_t indx = Find(good, "indx");
  std::string avi = good;
  Patch(&avi, indx + 8 + 4, 2);  // two entries in a chunk that holds one
  EXPECT_EQ(Walk(avi), 0);
  avi = good;
  Patch(&avi, indx + 8 + 8, MakeFourcc("05db"));  // names no stream
  EXPECT_EQ(Walk(avi), 0);
  avi = good;
  Patch(&avi, indx + 8 + 24 + 8, 31);  // standard index smaller than its header
  EXPECT_EQ(Walk(avi), 0);
  avi = good;
  StoreU64(reinterpret_cast<uint8_t*>(avi.data() + indx + 8 + 24), avi.size() - 10);
  EXPECT_EQ(Walk(avi), 0);
  avi = good;
  const size_t ix00 = Find(good, "ix00");
  Patch(&avi, ix00 + 12, 3);  // three entries in a chunk that holds two
  EXPECT_EQ(Walk(avi), 0);
}

TEST(Malformed, RepeatedStandardIndexesCannotMultiplyTheTables) {
  // One super index naming the same large standard index a thousand times.
  AviSpec recipe = Basic();
  recipe.odml = true;
  recipe.frames.clear();
  for (int i = 0; i < 4000; ++i) recipe.frames.push_back(FrameSpec::Data(300));
  std::string avi = test::BuildAvi(recipe);
  const size_t indx = Find(avi, "indx");
  const std::string entry = avi.substr(indx + 8 + 24, 16);
  std::string block = test::U32(0x00000004) + U32(1000) + U32(fcc::id00db) + std::string(12, '\0');
  for (int i = 0; i < 1000; ++i) block += entry;
  test::RiffWriter extra;
  extra.BeginList(fcc::RIFF, fcc::AVIX);
  extra.BeginList(fcc::LIST, fcc::strl);
  extra.Chunk(fcc::indx, block);
  extra.EndList();
  extra.EndList();
  // The extra RIFF needs the stream table: it follows the first RIFF.
  avi += extra.bytes();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Walk(avi), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(Malformed, RefiBlocksShorterThanTheirFields) {
  AviSpec recipe = Basic();
  recipe.odml = true;
  recipe.refi_path = "D:\\refi.001";
  recipe.refi_positions = {10, 20};
  MemoryFileSystem fs;
  const std::string good = test::BuildAvi(recipe);
  const size_t refi = Find(good, "REFI");
  const uint32_t path_length = 12;  // "D:\refi.001" and its NUL
  auto walk = [&](const std::string& bytes) {
    fs.Add("C:\\bad.avi", bytes);
    fs.Add("D:\\refi.001", "data");
    return test::WalkResult(fs, "C:\\bad.avi");
  };
  ASSERT_EQ(walk(good), 1);
  std::string avi = good;
  Patch(&avi, refi + 4, 261);
  EXPECT_EQ(walk(avi), 0);
  avi = good;
  Patch(&avi, refi + 4, 11);  // no NUL within the path field
  EXPECT_EQ(walk(avi), 0);
  avi = good;
  Patch(&avi, refi + 8 + path_length, 3);  // three positions in room for two
  EXPECT_EQ(walk(avi), 0);
  avi = good;
  Patch(&avi, refi - 4, 10);  // the chunk ends inside the path
  EXPECT_EQ(walk(avi), 0);
}

TEST(Malformed, DeepListNestingIsRefused) {
  std::string inner;
  for (int i = 0; i < 5000; ++i) inner = U32(fcc::LIST) + U32(static_cast<uint32_t>(inner.size() + 4)) + "INFO" + inner;
  const std::string avi = U32(fcc::RIFF) + U32(static_cast<uint32_t>(inner.size() + 4)) + "AVI " + inner;
  EXPECT_EQ(Walk(avi), 0);
  MemoryFileSystem fs;
  fs.Add("C:\\deep.avi", avi);
  EXPECT_EQ(ProbeDvFile(fs, "C:\\deep.avi"), kDvProbeNotDv);
}

TEST(Malformed, EmptyAndOddChunksAreWalkedInPlace) {
  // An empty LIST "INFO", an odd-sized chunk with its pad byte, an empty "movi".
  AviSpec recipe = Basic();
  recipe.info_list = true;  // holds a 9-byte chunk
  std::string avi = test::BuildAvi(recipe);
  EXPECT_EQ(Walk(avi), 1);
  RiffWriter w;
  w.BeginList(fcc::RIFF, fcc::AVI_);
  w.BeginList(fcc::LIST, fcc::INFO);
  w.EndList();
  w.BeginList(fcc::LIST, fcc::movi);
  w.EndList();
  w.Chunk(MakeFourcc("odd "), "abc");
  w.BeginList(fcc::LIST, fcc::movi);
  w.Chunk(fcc::id00db, test::RefRecord(kA, 0));
  w.EndList();
  w.EndList();
  EXPECT_EQ(Walk(w.bytes()), 1);
  EXPECT_EQ(Links(w.bytes()), std::vector<std::string>{kA});
}

}  // namespace
}  // namespace mendora
