// The quick DV check.
#include "refavi/DvFileProbe.h"

#include <gtest/gtest.h>

#include "refavi/fixtures.h"
#include "support/memory_fs.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

int Probe(const std::string& bytes) {
  MemoryFileSystem fs;
  fs.Add("C:\\f.avi", bytes);
  return ProbeDvFile(fs, "C:\\f.avi");
}

AviSpec Recipe(uint32_t handler) {
  AviSpec recipe;
  recipe.handler = handler;
  recipe.frames = {FrameSpec::Data(100)};
  return recipe;
}

TEST(DvFileProbe, FirstStreamHeaderDecides) {
  EXPECT_EQ(Probe(test::BuildAvi(Recipe(fcc::kzvq))), kDvProbeIsDv);
  EXPECT_EQ(Probe(test::BuildAvi(Recipe(fcc::dvsd))), kDvProbeIsDv);
  EXPECT_EQ(Probe(test::BuildAvi(Recipe(MakeFourcc("DvSd")))), kDvProbeIsDv);  // letter case ignored
  EXPECT_EQ(Probe(test::BuildAvi(Recipe(fcc::dsvd))), kDvProbeNotDv);
  EXPECT_EQ(Probe(test::BuildAvi(Recipe(0))), kDvProbeNotDv);
  AviSpec audio_first = Recipe(fcc::dvsd);
  audio_first.audio = true;
  audio_first.audio_first = true;
  EXPECT_EQ(Probe(test::BuildAvi(audio_first)), kDvProbeNotDv);
  // Nothing else is checked: a geometry the analysis refuses still probes as DV.
  AviSpec odd = Recipe(fcc::dvsd);
  odd.height = 486;
  EXPECT_EQ(Probe(test::BuildAvi(odd)), kDvProbeIsDv);
}

TEST(DvFileProbe, PlainDataFilesByTheirFirstChunkId) {
  EXPECT_EQ(Probe(test::BuildDataFile(2, 1000)), kDvProbeIsDv);
  EXPECT_EQ(Probe(test::BuildDataFile(2, 1000, MakeFourcc("37db"))), kDvProbeIsDv);
  EXPECT_EQ(Probe(test::BuildDataFile(2, 1000, fcc::id00dc)), kDvProbeNotDv);
  EXPECT_EQ(Probe(test::BuildDataFile(2, 1000, fcc::id01wb)), kDvProbeNotDv);
  EXPECT_EQ(Probe(test::BuildDataFile(2, 1000, MakeFourcc("0xdb"))), kDvProbeNotDv);
}

TEST(DvFileProbe, OtherFiles) {
  EXPECT_EQ(Probe(test::BuildWave()), kDvProbeNotDv);
  EXPECT_EQ(Probe(""), kDvProbeNotDv);
  EXPECT_EQ(Probe("RIFF"), kDvProbeNotDv);
  EXPECT_EQ(Probe(test::U32(fcc::RIFF) + test::U32(4) + "AVIZ"), kDvProbeNotDv);
  // A stream header too short for its handler, or cut off by the end of the file.
  test::RiffWriter w;
  w.BeginList(fcc::RIFF, fcc::AVI_);
  w.BeginList(fcc::LIST, fcc::hdrl);
  w.Chunk(fcc::strh, test::U32(fcc::vids));
  w.EndList();
  w.EndList();
  EXPECT_EQ(Probe(w.bytes()), kDvProbeNotDv);
  std::string cut = test::BuildAvi(Recipe(fcc::dvsd));
  cut.resize(cut.find("vidsdvsd") + 6);
  EXPECT_EQ(Probe(cut), kDvProbeNotDv);
}

TEST(DvFileProbe, OpenFailureAndFlags) {
  MemoryFileSystem fs;
  EXPECT_EQ(ProbeDvFile(fs, "C:\\missing.avi"), kDvProbeOpenFailed);
  fs.Add("C:\\f.avi", test::BuildDataFile(1, 10));
  DvFileProbe probe(fs);
  EXPECT_EQ(probe.status(), kDvProbeIsDv);
  EXPECT_EQ(probe.Open("C:\\f.avi", 0), 0);
  EXPECT_EQ(probe.status(), kDvProbeNotDv);
  EXPECT_EQ(fs.opens(), 0);
}

}  // namespace
}  // namespace mendora
