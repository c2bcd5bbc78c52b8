// The writer's plan and limits, and the exact layout it writes.
#include <gtest/gtest.h>

#include "rewrite/ChunkTreeParser.h"
#include "support/faulty_fs.h"
#include "rewrite/RefAviWriter.h"
#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::Seen;

// A source whose header declares `total` frames (48 kHz stereo audio when
// asked), loaded as the builder would.
struct Source {
  test::TestDrives drives;
  std::unique_ptr<ChunkTreeParser> parser;
  std::string out;

  explicit Source(uint32_t total, bool audio = true, bool info = false, uint32_t height = 480) {
    AviSpec recipe;
    recipe.audio = audio;
    recipe.info_list = info;
    recipe.height = height;
    recipe.handler = recipe.compression = fcc::dvsd;  // frames are plain data
    recipe.frames = {FrameSpec::Data(10)};
    std::string bytes = test::BuildAvi(recipe);
    test::SetTotalFrames(&bytes, total);
    const std::string path = drives.Path('C', "src.avi");
    drives.WriteFile(path, bytes);
    parser = std::make_unique<ChunkTreeParser>(drives.fs());
    EXPECT_EQ(parser->Load(path), 1);
    out = drives.Path('D', "out.avi");
  }
};

TEST(RefAviWriter, PlanChoosesOpenDmlByTheEstimate) {
  {
    Source s(1000);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    EXPECT_FALSE(w.odml());
    w.Finish();
    const std::string bytes = s.drives.ReadFile(s.out);
    const auto seen = test::Structure(bytes);
    EXPECT_EQ(test::Find(seen, fcc::indx), nullptr);
    EXPECT_EQ(test::Find(seen, fcc::odml), nullptr);
  }
  {
    // P = 6406 bytes of audio per frame: G = 2044, L = 10 and one more.
    Source s(20000);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    EXPECT_TRUE(w.odml());
    EXPECT_EQ(w.frames_per_index(), 2044u);
    EXPECT_EQ(w.planned_indexes(), 11u);
    w.Finish();
  }
  {
    // Without audio 17000 frames still fit one RIFF, 18000 do not.
    Source fits(17000, false), over(18000, false);
    RefAviWriter a(fits.drives.fs()), b(over.drives.fs());
    ASSERT_EQ(a.Open(fits.out.c_str(), fits.parser.get()), 1);
    ASSERT_EQ(b.Open(over.out.c_str(), over.parser.get()), 1);
    EXPECT_FALSE(a.odml());
    EXPECT_TRUE(b.odml());
    a.Finish();
    b.Finish();
  }
}

TEST(RefAviWriter, FirstRiffLayoutInOpenDmlMode) {
  Source s(20000, true, true);
  RefAviWriter w(s.drives.fs());
  ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
  const std::string frame(276, 'v');
  const std::string sound(6406, 'a');
  ASSERT_EQ(w.WriteVideoChunk(reinterpret_cast<const uint8_t*>(frame.data()), 276), 1);
  ASSERT_EQ(w.WriteAudioChunk(reinterpret_cast<const uint8_t*>(sound.data()), 6406, 0), 1);
  ASSERT_EQ(w.WriteVideoChunk(reinterpret_cast<const uint8_t*>(frame.data()), 275), 1);  // odd: padded
  w.Finish();
  EXPECT_EQ(w.error_code(), 0);
  const std::string bytes = s.drives.ReadFile(s.out);
  const auto seen = test::Structure(bytes, true);
  EXPECT_EQ(test::Names(seen, 3),
            "AVI  .hdrl ..avih ..strl ...strh ...strf ...indx ..strl ...strh ...strf ...indx ..odml ...dmlh "
            ".INFO ..ISFT .JUNK .movi ..ix00 ..ix01 ..00db ..01wb ..00db .idx1");
  const Seen* movi = test::Find(seen, fcc::movi);
  EXPECT_EQ(movi->position % 512, 12u);
  EXPECT_EQ(movi->size, 4u + 2 * 16384 + (276 + 8) + (6406 + 8) + (275 + 8 + 1));
  EXPECT_EQ(bytes.size(), test::Find(seen, fcc::idx1)->position + 8 + 4 * 16);
  EXPECT_EQ(test::U32At(bytes, 4), bytes.size() - 8);  // the RIFF size

  // idx1: one "7Fxx" entry for the two index blocks, then absolute chunks.
  const uint64_t idx1 = test::Find(seen, fcc::idx1)->position + 8;
  const Seen* ix00 = test::Find(seen, fcc::ix00);
  EXPECT_EQ(test::U32At(bytes, idx1), fcc::id7Fxx);
  EXPECT_EQ(test::U32At(bytes, idx1 + 4), 0u);
  EXPECT_EQ(test::U32At(bytes, idx1 + 8), ix00->position);
  EXPECT_EQ(test::U32At(bytes, idx1 + 12), 32768u);
  const Seen* first = test::Find(seen, fcc::id00db);
  EXPECT_EQ(test::U32At(bytes, idx1 + 16), fcc::id00db);
  EXPECT_EQ(test::U32At(bytes, idx1 + 20), AVIIF_KEYFRAME);
  EXPECT_EQ(test::U32At(bytes, idx1 + 24), first->position);
  EXPECT_EQ(test::U32At(bytes, idx1 + 28), 276u);
  EXPECT_EQ(test::U32At(bytes, idx1 + 36), 0u);  // audio: no key frame flag

  // Super and standard indexes.
  const Seen* indx = test::Find(seen, fcc::indx);
  EXPECT_EQ(indx->size, 16376u);
  const uint64_t super = indx->position + 8;
  EXPECT_EQ(test::U32At(bytes, super), 0x00000004u);  // longs 4, sub 0, type 0
  EXPECT_EQ(test::U32At(bytes, super + 4), 1u);
  EXPECT_EQ(test::U32At(bytes, super + 8), fcc::id00db);
  EXPECT_EQ(test::U64At(bytes, super + 24), ix00->position);
  EXPECT_EQ(test::U32At(bytes, super + 32), 16384u);
  EXPECT_EQ(test::U32At(bytes, super + 36), 2u);
  EXPECT_EQ(test::U32At(bytes, super + 40 + 8), 16384u);  // unused entries too
  EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::indx, 2)->position + 8 + 8), fcc::id01wb);
  EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::indx, 2)->position + 8 + 36), 6406u / 4);
  EXPECT_EQ(ix00->size, 16376u);
  const uint64_t ix = ix00->position;
  EXPECT_EQ(test::U32At(bytes, ix + 8), 0x01000002u);  // longs 2, sub 0, type 1
  EXPECT_EQ(test::U32At(bytes, ix + 12), 2u);
  EXPECT_EQ(test::U32At(bytes, ix + 16), fcc::id00db);
  EXPECT_EQ(test::U64At(bytes, ix + 20), 0u);
  EXPECT_EQ(test::U32At(bytes, ix + 32), first->position + 8);
  EXPECT_EQ(test::U32At(bytes, ix + 36), 276u);
  EXPECT_EQ(test::U32At(bytes, ix + 44), 275u);

  // Final header values.
  const uint64_t avih = test::Find(seen, fcc::avih)->position + 8;
  EXPECT_EQ(test::U32At(bytes, avih + 12) & AVIF_HASINDEX, AVIF_HASINDEX);
  EXPECT_EQ(test::U32At(bytes, avih + 16), 2u);
  EXPECT_EQ(test::U32At(bytes, avih + 28), 120000u + 6406u);
  EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strh)->position + 8 + 36), 120000u);
  EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strh, 2)->position + 8 + 36), 6406u);
  const Seen* dmlh = test::Find(seen, fcc::dmlh);
  EXPECT_EQ(dmlh->size, 248u);
  EXPECT_EQ(test::U32At(bytes, dmlh->position + 8), 2u);
  EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::INFO)->position + 12), MakeFourcc("ISFT"));
}

TEST(RefAviWriter, PadJunkPutsEveryMoviTwelveBytesPastA512Multiple) {
  for (uint32_t height : {480u, 576u}) {
    for (bool audio : {false, true}) {
      for (bool info : {false, true}) {
        Source s(10, audio, info, height);
        RefAviWriter w(s.drives.fs());
        ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
        w.Finish();
        const std::string bytes = s.drives.ReadFile(s.out);
        const auto seen = test::Structure(bytes);
        const Seen* movi = test::Find(seen, fcc::movi);
        const Seen* junk = test::Find(seen, fcc::JUNK);
        const uint64_t before = junk != nullptr ? junk->position : movi->position;
        const uint32_t pad = MoviPadSize(before);
        EXPECT_EQ(movi->position - before, pad > 8 ? pad : 0u);
        if (pad > 8) {
          EXPECT_EQ(movi->position % 512, 12u);
        }
      }
    }
  }
  // Headers 2048 bytes long get a 4-byte JUNK; 12 past a multiple, 504.
  EXPECT_EQ(MoviPadSize(2048) - 8, 4u);
  EXPECT_EQ(MoviPadSize(512 * 3 + 12) - 8, 504u);
  EXPECT_LE(MoviPadSize(512 * 3 + 12 + 504), 8u);
}

TEST(RefAviWriter, The2045thVideoChunkOpensANewIndexBlock) {
  Source s(20000, false);
  RefAviWriter w(s.drives.fs());
  ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
  const uint8_t frame[100] = {};
  for (int i = 0; i < 2045; ++i) ASSERT_EQ(w.WriteVideoChunk(frame, 100), 1) << i;
  w.Finish();
  const std::string bytes = s.drives.ReadFile(s.out);
  const auto seen = test::Structure(bytes, true);
  const Seen* first_ix = test::Find(seen, fcc::ix00, 1);
  const Seen* second_ix = test::Find(seen, fcc::ix00, 2);
  ASSERT_NE(second_ix, nullptr);
  // The second block stands right before the 2045th chunk.
  const Seen* chunk2045 = test::Find(seen, fcc::id00db, 2045);
  EXPECT_EQ(second_ix->position + 16384, chunk2045->position);
  EXPECT_EQ(test::U32At(bytes, first_ix->position + 12), 2044u);
  EXPECT_EQ(test::U32At(bytes, second_ix->position + 12), 1u);
  EXPECT_EQ(test::U64At(bytes, second_ix->position + 20), chunk2045->position);  // base after the block
  EXPECT_EQ(test::U32At(bytes, second_ix->position + 32), 8u);
  const uint64_t super = test::Find(seen, fcc::indx)->position + 8;
  EXPECT_EQ(test::U32At(bytes, super + 4), 2u);
  EXPECT_EQ(test::U64At(bytes, super + 24 + 16), second_ix->position);
  EXPECT_EQ(test::U32At(bytes, super + 24 + 12), 2044u);
  EXPECT_EQ(test::U32At(bytes, super + 24 + 16 + 12), 1u);
  // idx1 lists the second block as its own "7Fxx" group of one block.
  const Seen* idx1 = test::Find(seen, fcc::idx1);
  int groups = 0;
  for (uint64_t e = idx1->position + 8; e < idx1->position + 8 + idx1->size; e += 16) {
    if (test::U32At(bytes, e) != fcc::id7Fxx) continue;
    ++groups;
    if (groups == 2) {
      EXPECT_EQ(test::U32At(bytes, e + 8), second_ix->position);
      EXPECT_EQ(test::U32At(bytes, e + 12), 16384u);
    }
  }
  EXPECT_EQ(groups, 2);
  EXPECT_EQ(idx1->size, (2 + 2045) * 16u);
  // The analysis reads every frame back through the indexes.
  const std::vector<uint64_t> positions = test::VideoPositions(s.drives.fs(), s.out);
  ASSERT_EQ(positions.size(), 2045u);
  EXPECT_EQ(positions[2044], chunk2045->position);
}

TEST(RefAviWriter, LimitsFailWith518) {
  {
    // The 1001st video chunk of a 1000-frame source.
    Source s(1000);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    const uint8_t frame[8] = {};
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(w.WriteVideoChunk(frame, 8), 1);
    EXPECT_EQ(w.WriteVideoChunk(frame, 8), 0);
    EXPECT_EQ(w.error_code(), ERR_REWRITE_LIMIT);
    w.Finish();
    EXPECT_EQ(test::VideoPositions(s.drives.fs(), s.out).size(), 1000u);
  }
  {
    // More standard indexes than planned: 18000 video-only frames plan
    // L = 9 + 1 (+1); audio chunks beyond them have no index to go to.
    Source s(18000, true);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    ASSERT_TRUE(w.odml());
    const uint32_t planned = w.planned_indexes();
    const uint8_t sound[4] = {};
    int written = 0;
    while (w.WriteAudioChunk(sound, 4, 0) == 1) ++written;
    EXPECT_EQ(w.error_code(), ERR_REWRITE_LIMIT);
    EXPECT_EQ(static_cast<uint32_t>(written), planned * 2044);
    w.Finish();
  }
  {
    // Without OpenDML nothing passes the RIFF limit: a source that declares
    // few frames but brings a huge chunk.
    Source s(10, false);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    const uint8_t byte = 0;
    EXPECT_EQ(w.WriteVideoChunk(&byte, 0x7FFFFF00u), 0);
    EXPECT_EQ(w.error_code(), ERR_REWRITE_LIMIT);
    w.Finish();
  }
}

TEST(RefAviWriter, AudioIndexesArePlannedForTheSourcesAudioChunks) {
  // More audio chunks than frames (ffmpeg writes 1024-sample packets, 1.6
  // per NTSC frame): the audio stream gets the standard indexes they need.
  test::TestDrives drives;
  AviSpec recipe;
  recipe.handler = recipe.compression = fcc::dvsd;
  recipe.audio = true;
  for (int i = 0; i < 40000; ++i) recipe.frames.push_back(FrameSpec::Data(1));
  std::string bytes = test::BuildAvi(recipe);
  test::SetTotalFrames(&bytes, 18000);
  const std::string path = drives.Path('C', "src.avi");
  drives.WriteFile(path, bytes);
  ChunkTreeParser parser(drives.fs());
  ASSERT_EQ(parser.Load(path), 1);
  EXPECT_EQ(parser.CountAudioEntries(), 40000u);
  RefAviWriter w(drives.fs());
  ASSERT_EQ(w.Open(drives.Path('D', "out.avi").c_str(), &parser), 1);
  EXPECT_EQ(w.planned_indexes(), 10u);
  EXPECT_EQ(w.planned_audio_indexes(), 40000u / 2044 + 1);
  const uint8_t sound[4] = {};
  for (int i = 0; i < 40000; ++i) ASSERT_EQ(w.WriteAudioChunk(sound, 4, 0), 1) << i;
  w.Finish();
  EXPECT_EQ(w.error_code(), 0);
}

TEST(RefAviWriter, SuggestedBufferSizesFollowTheLargestChunks) {
  for (uint32_t height : {480u, 576u}) {
    Source s(10, true, false, height);
    RefAviWriter w(s.drives.fs());
    ASSERT_EQ(w.Open(s.out.c_str(), s.parser.get()), 1);
    const std::string data(5000, 'x');
    const auto* p = reinterpret_cast<const uint8_t*>(data.data());
    ASSERT_EQ(w.WriteVideoChunk(p, 276), 1);
    ASSERT_EQ(w.WriteAudioChunk(p, 3000, 0), 1);
    ASSERT_EQ(w.WriteAudioChunk(p, 5000, 0), 1);
    w.Finish();
    const std::string bytes = s.drives.ReadFile(s.out);
    const auto seen = test::Structure(bytes);
    const uint32_t frame = height == 480 ? 120000 : 144000;
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::avih)->position + 8 + 28), 5000u + frame);
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strh)->position + 8 + 36), frame);
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strh, 2)->position + 8 + 36), 5000u);
  }
}

TEST(RefAviWriter, AFailedWriteIsReportedAndTheFileStillClosesWithHeaders) {
  test::TestDrives drives;
  AviSpec recipe;
  recipe.frames = {FrameSpec::Data(10)};
  const std::string path = drives.Path('C', "src.avi");
  drives.WriteFile(path, test::BuildAvi(recipe));
  FaultyFileSystem faulty(drives.fs());
  ChunkTreeParser parser(drives.fs());
  ASSERT_EQ(parser.Load(path), 1);
  // Creating the file fails: 515.
  {
    faulty.FailNth(FaultKind::kCreate, 0, kErrorAccessDenied);
    RefAviWriter w(faulty);
    EXPECT_EQ(w.Open(drives.Path('D', "out.avi").c_str(), &parser), 0);
    EXPECT_EQ(w.error_code(), ERR_REWRITE_CREATE);
    w.Finish();
  }
  EXPECT_EQ(RefAviWriter(drives.fs()).Open(nullptr, &parser), 0);
}

}  // namespace
}  // namespace mendora
