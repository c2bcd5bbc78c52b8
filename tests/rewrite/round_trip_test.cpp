// Round trips: every kind of source the analysis reads, rewritten with and
// without replacements, reads back with the same data links (replaced where
// asked) in the same order, and every frame resolves to the same data.
#include <gtest/gtest.h>

#include <map>

#include "rewrite/rewrite_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;

// What one frame of the first video stream resolves to: a data file and
// position, or the frame's own bytes when it lives in the AVI.
struct Frame {
  std::string file;
  uint64_t position = 0;
  std::string bytes;
  bool operator==(const Frame&) const = default;
};

void PrintTo(const Frame& f, std::ostream* os) {
  *os << "{" << f.file << " @" << f.position << ", " << f.bytes.size() << " bytes}";
}

struct Read {
  int result = 0;
  std::vector<std::string> links;
  std::vector<Frame> frames;
};

Read ReadBack(test::TestDrives& drives, const std::string& path, const std::vector<std::string>& data_paths) {
  Read r;
  r.links = test::AnalyzeLinks(drives.fs(), path).paths;
  RefAviReader reader(drives.fs());
  if (!reader.Open(path, 1) || !reader.Walk() || !reader.SelectVideoStream(0)) return r;
  r.result = 1;
  const VideoStream& video = *reader.selected_video_stream();
  const std::string self = drives.ReadFile(path);
  for (size_t i = 0; i < video.positions.size(); ++i) {
    Frame f;
    const BufferedFile* source = i < video.sources.size() ? video.sources[i] : nullptr;
    if (source == nullptr) {
      // Not opened by the walk: the REF record names the data file.
      const uint64_t at = video.positions[i];
      f.file = self.substr(at + 8 + 16, self.find('\0', at + 8 + 16) - (at + 8 + 16));
      f.position = test::U32At(self, at + 8 + 4);
    } else if (source == reader.file()) {
      const uint64_t at = video.positions[i];
      f.bytes = self.substr(at + 8, test::U32At(self, at + 4));
      // A repeated reference chunk (index size 0) is read as a frame of the
      // AVI; it still names its data file.
      if (f.bytes.size() >= 16 && test::U32At(f.bytes, 0) == fcc::REF_) {
        f.file = f.bytes.substr(16, f.bytes.find('\0', 16) - 16);
        f.position = test::U32At(f.bytes, 4);
        f.bytes.clear();
      }
    } else {
      f.file = "?";
      for (const std::string& p : data_paths)
        if (video.FindDataFile(p) == source) f.file = p;
      f.position = video.positions[i];
    }
    r.frames.push_back(f);
  }
  return r;
}

struct Fixture {
  const char* name;
  AviSpec recipe;
  // REF records inside LIST "rec " are not data links of the source; the
  // output holds them directly in "movi".
  bool links_in_rec = false;
};

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    a = drives.Path('D', "clips\\tape1.001");
    b = drives.Path('D', "clips\\tape1.002");
    upper = drives.Path('D', "CLIPS\\TAPE1.002");
    moved_a = drives.Path('E', "new folder\\tape1.001");
    moved_b = drives.Path('E', "t.002");
    for (const std::string& p : {a, b, upper, moved_a, moved_b}) drives.WriteFile(p, test::BuildDataFile(3));
  }

  std::vector<Fixture> Fixtures() const {
    std::vector<Fixture> out;
    auto refs = [&](int n, bool with_data) {
      std::vector<FrameSpec> frames;
      for (int i = 0; i < n; ++i) {
        if (with_data && i % 4 == 3) {
          frames.push_back(FrameSpec::Data(120000));
        } else {
          frames.push_back(FrameSpec::Ref(i % 3 == 1 ? b : a, static_cast<uint32_t>(i % 3) * 120008));
        }
      }
      return frames;
    };
    {
      Fixture f{"idx1 absolute", {}};
      f.recipe.frames = refs(8, true);
      out.push_back(f);
    }
    {
      Fixture f{"idx1 relative, audio, 00dc, INFO", {}};
      f.recipe.idx1 = AviSpec::Idx1::kRelative;
      f.recipe.audio = true;
      f.recipe.info_list = true;
      f.recipe.frames = refs(6, false);
      for (auto& frame : f.recipe.frames) frame.id = fcc::id00dc;
      out.push_back(f);
    }
    {
      Fixture f{"audio first", {}};
      f.recipe.audio = true;
      f.recipe.audio_first = true;
      f.recipe.frames = refs(5, false);
      out.push_back(f);
    }
    {
      Fixture f{"OpenDML, relative base, AVIX", {}};
      f.recipe.odml = true;
      f.recipe.audio = true;
      f.recipe.ix_absolute = false;
      f.recipe.frames_per_ix = 3;
      f.recipe.frames = refs(9, true);
      for (size_t i = 5; i < f.recipe.frames.size(); ++i) f.recipe.frames[i].riff = 1;
      out.push_back(f);
    }
    {
      Fixture f{"rec lists", {}};
      f.links_in_rec = true;
      f.recipe.rec_lists = true;
      f.recipe.frames = refs(4, true);
      out.push_back(f);
    }
    {
      Fixture f{"repeats, letter case, path lengths", {}};
      f.recipe.frames = refs(4, false);
      FrameSpec repeat;
      repeat.in_movi = false;
      f.recipe.frames.push_back(repeat);
      f.recipe.frames.push_back(FrameSpec::Ref(upper, 120008));
      FrameSpec wide = FrameSpec::Ref(b, 0);
      wide.path_length = 200;
      f.recipe.frames.push_back(wide);
      out.push_back(f);
    }
    {
      Fixture f{"REFI block", {}};
      f.recipe.odml = true;
      f.recipe.refi_path = a;
      // The block agrees with the REF records it stands for: it is not
      // copied (the records alone name the data in the output).
      f.recipe.refi_positions = {0};
      f.recipe.frames = refs(4, false);
      out.push_back(f);
    }
    for (uint32_t height : {480u, 576u}) {
      Fixture f{height == 480 ? "whole-file mode, 480 lines" : "whole-file mode, 576 lines", {}};
      f.recipe.height = height;
      f.recipe.flags = AVIF_HASINDEX | AVIF_WASCAPTUREFILE;
      f.recipe.frames = {FrameSpec::Ref(b, 0), FrameSpec::Ref(b, 0), FrameSpec::Ref(b, 0), FrameSpec::Ref(a, 120008)};
      out.push_back(f);
    }
    return out;
  }

  test::TestDrives drives;
  std::string a, b, upper, moved_a, moved_b;
};

TEST_F(RoundTrip, EveryFixtureReadsBackTheSame) {
  const std::vector<std::string> data = {a, b, upper, moved_a, moved_b};
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.name);
    const std::string src = drives.Path('C', "src.avi");
    const std::string out = drives.Path('C', "out.avi");
    drives.WriteFile(src, test::BuildAvi(f.recipe));
    const Read before = ReadBack(drives, src, data);
    ASSERT_EQ(before.result, 1);
    ASSERT_EQ(before.links.empty(), f.links_in_rec);

    // Without replacements.
    ASSERT_EQ(test::Rewrite(drives.fs(), src, out).result, 1);
    Read after = ReadBack(drives, out, data);
    ASSERT_EQ(after.result, 1);
    if (!f.links_in_rec) {
      EXPECT_EQ(after.links, before.links);
    }
    EXPECT_EQ(after.frames, before.frames);

    // With replacements (and a pair that matches nothing).
    test::StepResult r = test::Rewrite(drives.fs(), src, out, {drives.Path('D', "none.001"), a, b},
                                       {drives.Path('E', "x.001"), moved_a, moved_b});
    ASSERT_EQ(r.result, 1);
    after = ReadBack(drives, out, data);
    std::vector<std::string> links = before.links;
    for (auto& l : links) l = l == a ? moved_a : l == b ? moved_b : l;
    if (!f.links_in_rec) {
      EXPECT_EQ(after.links, links);
    }
    std::vector<Frame> frames = before.frames;
    for (auto& fr : frames) fr.file = fr.file == a ? moved_a : fr.file == b ? moved_b : fr.file;
    EXPECT_EQ(after.frames, frames);
    // Written in the layout of this program: "movi" 12 past a multiple of 512.
    const std::vector<test::Seen> seen = test::Structure(drives.ReadFile(out));
    EXPECT_EQ(test::Find(seen, fcc::movi)->position % 512, 12u);
  }
}

}  // namespace
}  // namespace mendora
