// The export (frames in place of REF records) and the recovery (a cut
// reference AVI rebuilt from its whole frames) on fixture files.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "rewrite/ExportAvi.h"
#include "rewrite/export_test_util.h"
#include "support/faulty_fs.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;

// The names in the folder of a Windows path, as the disk has them.
std::vector<std::string> FolderNames(const test::TestDrives& drives, const std::string& beside) {
  const std::filesystem::path folder = std::filesystem::path(drives.Native(beside)).parent_path();
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A reference AVI taking five frames from two data files, out of their
// order, with a sound chunk after each frame.
struct Reference {
  test::TestDrives drives;
  std::string avi, a, b, out;
  uint32_t frame = 0;
  std::vector<std::string> expected;  // the frames, as the data files hold them

  explicit Reference(uint32_t height = 480) {
    frame = height == 480 ? kDvFrameSize525 : kDvFrameSize625;
    avi = drives.Path('C', "take.avi");
    a = drives.Path('D', "clips\\take.001");
    b = drives.Path('E', "take.002");
    out = drives.Path('D', "export\\take-dv.avi");
    const std::string data_a = test::BuildDataFile(3, frame);
    const std::string data_b = test::BuildDataFile(2, frame, fcc::id00dc);
    drives.WriteFile(a, data_a);
    drives.WriteFile(b, data_b);
    drives.WriteFile(drives.Path('D', "export\\keep.txt"), "x");
    AviSpec recipe;
    recipe.height = height;
    recipe.audio = true;
    const uint32_t step = frame + 8;
    const std::pair<const std::string*, int> order[] = {{&a, 2}, {&a, 0}, {&b, 1}, {&a, 1}, {&b, 0}};
    for (const auto& [file, n] : order) {
      recipe.frames.push_back(FrameSpec::Ref(*file, static_cast<uint32_t>(n) * step));
      const std::string& bytes = file == &a ? data_a : data_b;
      expected.push_back(bytes.substr(static_cast<size_t>(n) * step + 8, frame));
    }
    drives.WriteFile(avi, test::BuildAvi(recipe));
  }
  int Export(ExportOutcome* outcome, bool replace = false, ProgressReporter* progress = nullptr) {
    return ExportDvAvi(drives.fs(), avi, out, replace, outcome, progress);
  }
};

TEST(Export, FramesTakeThePlaceOfTheRecordsWithTheSoundAsItWas) {
  for (uint32_t height : {480u, 576u}) {
    SCOPED_TRACE(height);
    Reference r(height);
    ExportOutcome outcome;
    ASSERT_EQ(r.Export(&outcome), 1) << outcome.code;
    EXPECT_EQ(outcome.frames, 5u);
    const std::string bytes = r.drives.ReadFile(r.out);
    std::vector<std::string> frames, sounds, source_sounds;
    test::MoviChunks(bytes, &frames, &sounds);
    test::MoviChunks(r.drives.ReadFile(r.avi), nullptr, &source_sounds);
    EXPECT_TRUE(frames == r.expected);
    EXPECT_EQ(sounds, source_sounds);
    // Its video is DV to every reader, and it names no data file.
    const auto seen = test::Structure(bytes);
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strh)->position + 8 + 4), fcc::dvsd);
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::strf)->position + 8 + 16), fcc::dvsd);
    EXPECT_EQ(test::U32At(bytes, test::Find(seen, fcc::avih)->position + 8 + 16), 5u);
    EXPECT_TRUE(test::AnalyzeLinks(r.drives.fs(), r.out).paths.empty());
    EXPECT_EQ(test::VideoPositions(r.drives.fs(), r.out).size(), 5u);
    // The temporary file is gone.
    EXPECT_EQ(FolderNames(r.drives, r.out), (std::vector<std::string>{"keep.txt", "take-dv.avi"}));
  }
}

TEST(Export, RefusesBeforeWritingAnything) {
  struct Case {
    const char* name;
    bool remove_b;
    bool pal_a;  // a data file of 625-line frames for a 525-line reference
    bool existing_out;
    std::vector<std::string> reasons;  // per failing link, in link order
    int code;
  };
  const Case cases[] = {
      {"missing", true, false, false, {"is missing"}, ERR_EXPORT_LINKS},
      {"wrong frames", false, true, false, {"has a frame of 144000 bytes at offset 0, not 120000"}, ERR_EXPORT_LINKS},
      {"both", true, true, false, {"has a frame of 144000 bytes at offset 0, not 120000", "is missing"},
       ERR_EXPORT_LINKS},
      {"existing output", false, false, true, {}, ERR_EXPORT_EXISTS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reference r;
    if (c.remove_b) {
      ASSERT_TRUE(r.drives.fs().Delete(r.b));
    }
    if (c.pal_a) r.drives.WriteFile(r.a, test::BuildDataFile(3, kDvFrameSize625));
    if (c.existing_out) r.drives.WriteFile(r.out, "older export");
    ExportOutcome outcome;
    EXPECT_EQ(r.Export(&outcome), 0);
    EXPECT_EQ(outcome.code, c.code);
    std::vector<std::string> reasons;
    for (const LinkProblem& p : outcome.problems) reasons.push_back(p.reason);
    EXPECT_EQ(reasons, c.reasons);
    if (!outcome.problems.empty()) {
      EXPECT_EQ(outcome.problems.back().path, c.remove_b ? r.b : r.a);
    }
    if (c.existing_out) {
      EXPECT_EQ(r.drives.ReadFile(r.out), "older export");
      // Asked to, it replaces the file.
      ASSERT_EQ(r.Export(&outcome, true), 1);
      EXPECT_EQ(test::VideoPositions(r.drives.fs(), r.out).size(), 5u);
    } else {
      EXPECT_EQ(FolderNames(r.drives, r.out), std::vector<std::string>{"keep.txt"});
    }
  }
}

class CancelAt : public ProgressSink {
 public:
  CancelAt(std::atomic<int>* running, int n) : running_(running), n_(n) {}
  void Report(int) override {
    if (--n_ == 0) running_->store(0);
  }
  void Post(int) override {}

 private:
  std::atomic<int>* running_;
  int n_;
};

TEST(Export, AFailureOrACancelAtAnyStepLeavesNoOutput) {
  const FaultKind kinds[] = {FaultKind::kCreate, FaultKind::kWrite, FaultKind::kRead,
                             FaultKind::kRename, FaultKind::kClose, FaultKind::kOpen};
  for (FaultKind kind : kinds) {
    for (int n = 0;; ++n) {
      SCOPED_TRACE(std::string(FaultKindName(kind)) + " " + std::to_string(n));
      Reference r;
      FaultyFileSystem faulty(r.drives.fs());
      faulty.FailNth(kind, n, kErrorAccessDenied);
      ExportOutcome outcome;
      const int result = ExportDvAvi(faulty, r.avi, r.out, false, &outcome, nullptr);
      if (!faulty.Fired()) {
        EXPECT_EQ(result, 1);
        break;
      }
      if (result == 1) {
        // A failure the step got past: the output is whole.
        std::vector<std::string> frames;
        test::MoviChunks(r.drives.ReadFile(r.out), &frames, nullptr);
        EXPECT_TRUE(frames == r.expected);
      } else {
        EXPECT_NE(outcome.code, 0);
        EXPECT_EQ(FolderNames(r.drives, r.out), std::vector<std::string>{"keep.txt"});
      }
    }
  }
  for (int n = 1; n < 12; ++n) {
    SCOPED_TRACE("cancel at report " + std::to_string(n));
    Reference r;
    std::atomic<int> running{1};
    CancelAt sink(&running, n);
    ProgressReporter progress(&running, &sink);
    ExportOutcome outcome;
    EXPECT_EQ(r.Export(&outcome, false, &progress), 0);
    EXPECT_EQ(outcome.code, ERR_REWRITE_CANCELLED);
    EXPECT_EQ(FolderNames(r.drives, r.out), std::vector<std::string>{"keep.txt"});
  }
}

// Another run creates its file at `late` just before this run creates
// the same name.
class LateRunFileSystem : public FaultyFileSystem {
 public:
  LateRunFileSystem(FileSystem& inner, const test::TestDrives& d, std::string late)
      : FaultyFileSystem(inner), d_(d), late_(std::move(late)) {}
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    if (mode != OpenMode::kRead && path == late_) {
      d_.WriteFile(late_, "another run's " + late_);
      late_.clear();
    }
    return FaultyFileSystem::Open(path, mode);
  }

 private:
  const test::TestDrives& d_;
  std::string late_;
};

// Other runs' temporary files beside the output, one there before the
// export and one made just before the export creates that name: it takes the
// first name it can create itself, and neither its success nor its failure
// touches theirs.
TEST(Export, PassesOverTemporaryNamesOtherRunsHold) {
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "a write fails" : "clean");
    Reference r;
    const std::string held[] = {r.drives.Path('D', "export\\~mendora0.tmp"), r.drives.Path('D', "export\\~mendora1.tmp")};
    r.drives.WriteFile(held[0], "another run's " + held[0]);
    LateRunFileSystem late(r.drives.fs(), r.drives, held[1]);
    if (fail) late.FailNth(FaultKind::kWrite, 0, kErrorDiskFull, true);
    ExportOutcome outcome;
    EXPECT_EQ(ExportDvAvi(late, r.avi, r.out, false, &outcome, nullptr), fail ? 0 : 1);
    for (const std::string& name : held) EXPECT_EQ(r.drives.ReadFile(name), "another run's " + name);
    std::vector<std::string> names = {"keep.txt", "~mendora0.tmp", "~mendora1.tmp"};
    if (!fail) names.insert(names.begin() + 1, "take-dv.avi");
    EXPECT_EQ(FolderNames(r.drives, r.out), names);
  }
}

// ---------------------------------------------------------------------------
// Recovery

struct CutCase {
  const char* name;
  // Where the file ends: a chunk of the original (by kind and number, from
  // 1) and bytes into it; or the whole movi with the index cut or missing.
  char kind;
  int number;
  uint32_t into;
  bool no_idx1 = false;
  int expected_frames;
  bool expected_damage;
  bool unfinished = false;  // RIFF and "movi" sizes left 0, as a crashed capture leaves them
};

TEST(Recover, KeepsTheWholeFramesBeforeTheDamage) {
  const CutCase cases[] = {
      {"inside the 8th frame's record", 'd', 8, 30, false, 7, true},
      {"inside the 5th frame's header", 'd', 5, 3, false, 4, true},
      {"inside the sound after the 6th frame", 'w', 6, 20, false, 6, true},
      {"inside idx1", 'i', 1, 40, false, 12, true},
      {"before idx1", 'i', 1, 0, false, 12, false},
      {"no index at all", 0, 0, 0, true, 12, false},
      {"a capture that never finished", 'd', 10, 20, true, 9, true, true},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestDrives drives;
    AviSpec recipe;
    recipe.audio = true;
    recipe.idx1 = c.no_idx1 ? AviSpec::Idx1::kNone : AviSpec::Idx1::kAbsolute;
    for (int i = 0; i < 12; ++i)
      recipe.frames.push_back(FrameSpec::Ref(drives.Path('D', "tape.00" + std::to_string(1 + i % 3)), i * 120008));
    std::string bytes = test::BuildAvi(recipe);
    // The cut, found by an independent walk of the original.
    uint64_t cut = bytes.size();
    int seen_of_kind = 0;
    for (const test::Seen& s : test::Structure(bytes, true)) {
      const bool match = c.kind == 'i' ? s.id == fcc::idx1 : s.type == 0 && s.depth == 2 && FourccChar(s.id, 2) == c.kind;
      if (c.kind != 0 && match && ++seen_of_kind == c.number) cut = s.position + c.into;
    }
    std::vector<std::string> frames, sounds;
    test::MoviChunks(bytes, &frames, &sounds);
    if (c.unfinished) {
      const uint64_t movi = test::Find(test::Structure(bytes), fcc::movi)->position;
      StoreU32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, 0);
      StoreU32(reinterpret_cast<uint8_t*>(bytes.data()) + movi + 4, 0);
    }
    bytes.resize(cut);
    const std::string source = drives.Path('C', "cut.avi");
    const std::string output = drives.Path('C', "mended.avi");
    drives.WriteFile(source, bytes);
    RecoverOutcome outcome;
    ASSERT_EQ(RecoverRefAvi(drives.fs(), source, output, false, &outcome, nullptr), 1) << outcome.code;
    EXPECT_EQ(outcome.walk.frames, static_cast<uint32_t>(c.expected_frames));
    EXPECT_EQ(outcome.walk.damaged, c.expected_damage);
    if (c.expected_damage) {
      EXPECT_EQ(outcome.walk.damage_at, cut - c.into);
    }
    // The frames kept are the original's first ones, and so is the sound.
    const std::string mended = drives.ReadFile(output);
    std::vector<std::string> kept, kept_sounds;
    test::MoviChunks(mended, &kept, &kept_sounds);
    frames.resize(static_cast<size_t>(c.expected_frames));
    EXPECT_EQ(kept, frames);
    ASSERT_LE(kept_sounds.size(), sounds.size());
    sounds.resize(kept_sounds.size());
    EXPECT_EQ(kept_sounds, sounds);
    // Fresh indexes and counts: the analysis reads every kept frame.
    const auto seen = test::Structure(mended);
    EXPECT_EQ(test::U32At(mended, test::Find(seen, fcc::avih)->position + 8 + 16), kept.size());
    EXPECT_EQ(test::U32At(mended, test::Find(seen, fcc::strh)->position + 8 + 32), kept.size());
    EXPECT_EQ(test::VideoPositions(drives.fs(), output).size(), kept.size());
    EXPECT_EQ(test::AnalyzeLinks(drives.fs(), output).paths.size(), std::min<size_t>(3, kept.size()));
  }
}

TEST(Recover, AChunkCutAfterTheFramesIsLeftOut) {
  test::TestDrives drives;
  AviSpec recipe;
  for (int i = 0; i < 4; ++i) recipe.frames.push_back(FrameSpec::Ref(drives.Path('D', "tape.001"), i * 120008));
  const std::string whole = test::BuildAvi(recipe);
  // A last chunk of the RIFF that claims a megabyte and holds ten bytes.
  std::string bytes = whole + "note" + test::U32(1000000) + std::string(10, 'n');
  StoreU32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, static_cast<uint32_t>(whole.size() - 8 + 8 + 1000000));
  drives.WriteFile(drives.Path('C', "cut.avi"), bytes);
  RecoverOutcome outcome;
  ASSERT_EQ(RecoverRefAvi(drives.fs(), drives.Path('C', "cut.avi"), drives.Path('C', "mended.avi"), false, &outcome,
                          nullptr),
            1);
  EXPECT_EQ(outcome.walk.frames, 4u);
  EXPECT_TRUE(outcome.walk.damaged);
  EXPECT_EQ(outcome.walk.damage_at, whole.size());
  uint64_t size = 0;
  ASSERT_TRUE(drives.fs().GetSize(drives.Path('C', "mended.avi"), &size));
  EXPECT_LT(size, whole.size() + 1024);
}

// Where the damage starts is a place in the file, whatever the lists and
// chunks claim: a cut "AVIX" (the walk takes the frames of both RIFFs), a
// "movi" that claims a few bytes more than the file holds, a last chunk or
// list of odd size without its pad byte.
TEST(Recover, TheDamageStartsInsideTheFile) {
  const std::string path = "D:\\tape.001";
  const std::string record = test::RefRecord(path, 0);
  const uint32_t r = static_cast<uint32_t>(record.size());  // 28: even, a chunk needs no pad
  AviSpec recipe;
  recipe.idx1 = AviSpec::Idx1::kNone;
  recipe.frames = {FrameSpec::Ref(path, 0), FrameSpec::Ref(path, 120008)};
  const std::string whole = test::BuildAvi(recipe);  // ends with its "movi"
  const uint64_t movi = test::Find(test::Structure(whole), fcc::movi)->position;
  const auto set = [](std::string* bytes, uint64_t at, uint64_t value) {
    StoreU32(reinterpret_cast<uint8_t*>(bytes->data() + at), static_cast<uint32_t>(value));
  };
  // An "AVIX" cut short: its RIFF and "movi" claim a kilobyte more than is
  // there; after one frame of it, an index chunk.
  const std::string avix = "RIFF" + test::U32(4 + 12 + 1024) + "AVIX" + "LIST" + test::U32(4 + 1024) + "movi" +
                           "00db" + test::U32(r) + record;
  const uint64_t index_at = whole.size() + 12 + 12 + 8 + r;
  // The index chunk ends 4 bytes before where the first "movi" would end,
  // were its size counted from the second; 2 bytes of a header follow.
  const std::string index_then_cut = whole + avix + "ix50" + test::U32(r - 4) + std::string(r - 4, 'i') + "00";
  // The index chunk claims 4096 bytes and has 16.
  const std::string index_past_end = whole + avix + "ix50" + test::U32(4096) + std::string(16, 'i');
  std::string claims_more = whole;
  set(&claims_more, 4, whole.size() - 8 + 4);
  set(&claims_more, movi + 4, whole.size() - movi - 8 + 4);
  AviSpec with_sound = recipe;
  with_sound.audio = true;
  const std::string sound_whole = test::BuildAvi(with_sound);
  const uint64_t sound_movi = test::Find(test::Structure(sound_whole), fcc::movi)->position;
  std::string odd_sound = sound_whole + "01wb" + test::U32(33) + std::string(33, 's');
  set(&odd_sound, 4, odd_sound.size() + 1 - 8);
  set(&odd_sound, sound_movi + 4, odd_sound.size() + 1 - sound_movi - 8);
  std::string odd_list = whole + "LIST" + test::U32(5) + "INFOx";
  set(&odd_list, 4, odd_list.size() + 1 - 8);
  struct Case {
    const char* name;
    std::string bytes;
    uint32_t frames;
    uint64_t audio_chunks;
    bool damaged;
    uint64_t damage_at;
  } cases[] = {
      {"an AVIX cut after its index chunk", index_then_cut, 3, 0, true, index_at + 8 + r - 4},
      {"an AVIX whose index chunk runs past the end", index_past_end, 3, 0, true, index_at},
      {"a movi 4 bytes longer than the file", claims_more, 2, 0, false, 0},
      {"a last sound chunk without its pad byte", odd_sound, 2, 3, false, 0},
      {"a last list without its pad byte", odd_list, 2, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestDrives drives;
    drives.WriteFile(drives.Path('C', "cut.avi"), c.bytes);
    RecoverOutcome outcome;
    ASSERT_EQ(RecoverRefAvi(drives.fs(), drives.Path('C', "cut.avi"), drives.Path('C', "mended.avi"), false,
                            &outcome, nullptr),
              1)
        << outcome.code;
    EXPECT_EQ(outcome.walk.frames, c.frames);
    EXPECT_EQ(outcome.walk.audio_chunks, c.audio_chunks);
    EXPECT_EQ(outcome.walk.damaged, c.damaged);
    if (c.damaged) {
      EXPECT_EQ(outcome.walk.damage_at, c.damage_at);
    }
    EXPECT_LE(outcome.walk.damage_at, c.bytes.size());
  }
}

TEST(Recover, RefusesWhatCannotBeMended) {
  test::TestDrives drives;
  AviSpec recipe;
  for (int i = 0; i < 4; ++i) recipe.frames.push_back(FrameSpec::Ref(drives.Path('D', "tape.001"), i * 120008));
  const std::string whole = test::BuildAvi(recipe);
  const uint64_t movi = test::Find(test::Structure(whole), fcc::movi)->position;
  const std::string output = drives.Path('C', "mended.avi");
  struct Case {
    const char* name;
    std::string bytes;
  };
  std::string zeroed = whole;
  std::fill(zeroed.begin() + static_cast<long>(movi) + 12, zeroed.begin() + static_cast<long>(movi) + 20, '\0');
  const Case cases[] = {
      {"cut in the headers", whole.substr(0, 100)},
      {"no frame whole", whole.substr(0, movi + 16)},
      {"the first chunk overwritten", zeroed},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drives.WriteFile(drives.Path('C', "cut.avi"), c.bytes);
    RecoverOutcome outcome;
    EXPECT_EQ(RecoverRefAvi(drives.fs(), drives.Path('C', "cut.avi"), output, false, &outcome, nullptr), 0);
    EXPECT_NE(outcome.code, 0);
    EXPECT_FALSE(drives.Exists(output));
  }
}

}  // namespace
}  // namespace mendora
