// The chunk tree and its parser: what a source's header becomes in memory,
// the tree operations the writer relies on, and malformed sources.
#include <gtest/gtest.h>

#include "rewrite/ChunkTreeParser.h"
#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::RiffWriter;

struct Loaded {
  int result = -1;
  int code = 0;
  std::unique_ptr<ChunkTreeParser> parser;
};

Loaded Load(test::TestDrives& drives, const std::string& bytes) {
  const std::string path = drives.Path('C', "src.avi");
  drives.WriteFile(path, bytes);
  Loaded l;
  l.parser = std::make_unique<ChunkTreeParser>(drives.fs());
  l.parser->set_error_outputs(&l.code, nullptr);
  l.result = l.parser->Load(path);
  return l;
}

std::string Shape(const NodeList& list) {
  std::string out;
  for (const auto& node : list) {
    if (!out.empty()) out += ' ';
    out += FourccText(node->list_type != 0 ? node->list_type : node->id);
    if (!node->children.empty()) out += "(" + Shape(node->children) + ")";
  }
  return out;
}

TEST(ChunkTreeParser, LoadsTheHeaderTreeAndItsItems) {
  AviSpec recipe;
  recipe.audio = true;
  recipe.odml = true;
  recipe.info_list = true;
  recipe.rec_lists = true;  // inside "movi": never seen
  recipe.frames = {FrameSpec::Ref("D:\\a.001"), FrameSpec::Data(100)};
  test::TestDrives drives;
  std::string bytes = test::BuildAvi(recipe);
  bytes += std::string(8, '\0');  // trailing zero chunk ends the top level
  Loaded l = Load(drives, bytes);
  ASSERT_EQ(l.result, 1);
  EXPECT_EQ(Shape(l.parser->top_level()),
            "AVI (hdrl(avih strl(strh strf indx) strl(strh strf indx) odml(dmlh)) INFO(ISFT) movi idx1)");
  ChunkTreeParser& p = *l.parser;
  EXPECT_EQ(p.total_frames(), 2u);
  ASSERT_NE(p.video_strh(), nullptr);
  ASSERT_NE(p.audio_strh(), nullptr);
  EXPECT_EQ(LoadU32(p.video_strh()->data() + 8), fcc::vids);
  EXPECT_EQ(LoadU32(p.audio_strh()->data() + 8), fcc::auds);
  EXPECT_EQ(LoadU32(p.video_strf()->data() + 16), fcc::kzvq);
  EXPECT_EQ(LoadU32(p.video_indx()->data()), fcc::indx);
  EXPECT_EQ(LoadU32(p.audio_indx()->data() + 8 + 8), fcc::id01wb);
  const std::vector<test::Seen> seen = test::Structure(bytes);
  const test::Seen* movi = test::Find(seen, fcc::movi);
  EXPECT_EQ(p.movi_position(), movi->position + 8);
  EXPECT_EQ(p.Lookup(fcc::strl, 2, ChunkTree::kForward), p.top_level()[0]->children[0]->children[2].get());
  EXPECT_EQ(p.Lookup(fcc::RIFF, 1, ChunkTree::kBackward), p.top_level()[0].get());
  EXPECT_EQ(p.Lookup(fcc::strl, 3, ChunkTree::kForward), nullptr);
  // Offsets count headers, list types and pads as in the file.
  uint64_t offset = 0;
  ASSERT_EQ(p.OffsetOf(fcc::movi, 1, &offset), 1);
  EXPECT_EQ(offset, movi->position);
  EXPECT_EQ(p.OffsetOf(fcc::Tdat, 1, &offset), 0);
  EXPECT_EQ(l.code, ERR_REWRITE_TREE);
}

TEST(ChunkTreeParser, StreamItemsFollowTheStreamHeaderBeforeThem) {
  // "indx" after an "auds" header, and one in a list without "strh", are audio
  // indexes; the dmlh frame count wins over avih's.
  RiffWriter w;
  w.BeginList(fcc::RIFF, fcc::AVI_);
  w.BeginList(fcc::LIST, fcc::hdrl);
  AviMainHeader avih;
  avih.dwTotalFrames = 5;
  std::string data(AviMainHeader::kSize, '\0');
  avih.Encode(reinterpret_cast<uint8_t*>(data.data()));
  w.Chunk(fcc::avih, data);
  w.BeginList(fcc::LIST, fcc::strl);
  w.Chunk(fcc::indx, std::string(24, '\x01'));
  w.EndList();
  w.BeginList(fcc::LIST, fcc::strl);
  AviStreamHeader strh;
  strh.fccType = fcc::auds;
  std::string sh(AviStreamHeader::kSize, '\0');
  strh.Encode(reinterpret_cast<uint8_t*>(sh.data()));
  w.Chunk(fcc::strh, sh);
  w.Chunk(fcc::strf, std::string(14, '\0'));
  w.Chunk(fcc::indx, std::string(24, '\x02'));
  w.EndList();
  w.BeginList(fcc::LIST, fcc::odml);
  w.Chunk(fcc::dmlh, test::U32(7) + std::string(244, '\0'));
  w.EndList();
  w.EndList();
  w.EndList();
  test::TestDrives drives;
  Loaded l = Load(drives, w.bytes());
  ASSERT_EQ(l.result, 1);
  ASSERT_NE(l.parser->audio_indx(), nullptr);
  EXPECT_EQ(l.parser->audio_indx()->at(8), 1);  // the first one met
  EXPECT_EQ(l.parser->video_indx(), nullptr);
  EXPECT_EQ(l.parser->total_frames(), 7u);
}

TEST(ChunkTreeParser, MalformedSourcesFailCleanly) {
  test::TestDrives drives;
  AviSpec recipe;
  recipe.frames = {FrameSpec::Data(10)};
  const std::string good = test::BuildAvi(recipe);
  const std::vector<test::Seen> seen = test::Structure(good);
  const test::Seen* strf = test::Find(seen, fcc::strf);

  // A video format of 39 bytes.
  {
    std::string bytes = good;
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + strf->position + 4), 39);
    Loaded l = Load(drives, bytes);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.code, ERR_REWRITE_READ);
  }
  // Cut inside the header list: a short read.
  {
    Loaded l = Load(drives, good.substr(0, strf->position + 20));
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.code, ERR_REWRITE_READ);
  }
  // A chunk claiming more than the file holds is not allocated.
  {
    std::string bytes = good;
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data() + strf->position + 4), 0xFFFFFFF0u);
    Loaded l = Load(drives, bytes);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.code, ERR_REWRITE_READ);
  }
  // Lists nested without end.
  {
    std::string bytes = "RIFF" + test::U32(0x7FFFFFF8) + "AVI ";
    for (int i = 0; i < 5000; ++i) bytes += "LIST" + test::U32(0x7FFFFFF0) + "INFO";
    Loaded l = Load(drives, bytes);
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.code, ERR_REWRITE_READ);
  }
  // Not a RIFF file at all.
  {
    Loaded l = Load(drives, "JUNQ" + test::U32(4) + "abcd");
    EXPECT_EQ(l.result, 0);
  }
  // A missing file: 515.
  {
    ChunkTreeParser parser(drives.fs());
    int code = 0;
    parser.set_error_outputs(&code, nullptr);
    EXPECT_EQ(parser.Load(drives.Path('C', "none.avi")), 0);
    EXPECT_EQ(code, ERR_REWRITE_CREATE);
  }
}

class TreeOps : public ChunkTree {
 public:
  TreeOps() { error_code_ = &code; }
  int code = 0;
};

TEST(ChunkTree, AppendAttachRecomputeAndWrite) {
  TreeOps t;
  EXPECT_EQ(t.AppendAtDepth(fcc::JUNK, 0, 0, 1), nullptr);
  EXPECT_EQ(t.code, ERR_REWRITE_TREE);
  t.code = 0;
  EXPECT_EQ(t.AttachData(std::make_shared<ByteBuffer>(), 0), 0);
  EXPECT_EQ(t.code, ERR_REWRITE_TREE);

  ASSERT_NE(t.AppendAtDepth(fcc::RIFF, 4, fcc::AVI_, 0), nullptr);
  ChunkNode* list = t.AppendAtDepth(fcc::LIST, 4, fcc::INFO, 1);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(t.RecomputeSizes(), 12u + 12u);
  // A child of odd size 5 adds 5 + 8 + 1 pad.
  t.AppendAtDepth(MakeFourcc("ISFT"), 5, 0, 2);
  ASSERT_EQ(t.AttachData(std::make_shared<ByteBuffer>(ByteBuffer{'h', 'e', 'l', 'l', 'o'}), 0), 1);
  EXPECT_EQ(t.RecomputeSizes(), 24u + 14u);
  EXPECT_EQ(list->size, 4u + 14u);
  EXPECT_EQ(t.TotalLength(), 38u);
  // Appended under the first match, or at the top level without one.
  t.AppendUnder(fcc::JUNK, 2, 0, fcc::INFO, 1, ChunkTree::kForward);
  t.AppendUnder(fcc::JUNK, 2, 0, fcc::Tdat, 1, ChunkTree::kForward);
  EXPECT_EQ(list->children.size(), 2u);
  EXPECT_EQ(t.top_level().size(), 2u);
  const uint64_t total = t.RecomputeSizes();
  uint64_t offset = 0;
  ASSERT_EQ(t.OffsetOf(fcc::JUNK, 1, &offset), 1);
  EXPECT_EQ(offset, 12u + 12u + 14u);
  ASSERT_EQ(t.OffsetOf(fcc::JUNK, 2, &offset), 1);
  EXPECT_EQ(offset, total - 10);
}

}  // namespace
}  // namespace mendora
