// What a Fix reads of its reference AVI, and the check of the new file. The
// Fix runs with the program's own steps and the real search (content check
// included) on the test drives; the user takes the first file offered.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/ErrorTable.h"
#include "common/Types.h"
#include "operation/Journal.h"
#include "operation/Operation.h"
#include "operation/OperationUi.h"
#include "operation/ProgramSteps.h"
#include "operation/Progress.h"
#include "platform/wintypes.h"
#include "refavi/fixtures.h"
#include "search/DriveSearch.h"
#include "search/RunMemory.h"
#include "search/search_fixture.h"
#include "support/counting_fs.h"
#include "support/faulty_fs.h"
#include "support/memory_settings.h"

namespace mendora {
namespace {

constexpr uint32_t kStep = 120008;  // an NTSC frame chunk with its header
const char kAvi[] = "D:\\refs\\clip.avi";
const char kKept[] = "D:\\tapes\\take.001";
const char kMissing[] = "E:\\old\\take.002";
const char kMoved[] = "E:\\new\\take.002";
const char kDecoy[] = "C:\\short\\take.002";

// The operation's questions: the steps run to their end, the search is the
// program's, with the content check against what the analysis found.
class SearchingUi : public OperationUi {
 public:
  SearchingUi(FileSystem& fs, SettingsStore& settings) : fs_(fs), settings_(settings) {
    search.default_found = FoundButton::kOk;
  }

  int RunStep(ProgressStep& step) override { return pump_.Run(step, [](int) { return true; }); }
  int SearchMissing(const std::string& avi_path, const std::string& avi_name, const std::vector<std::string>& missing,
                    std::vector<std::string>& found, std::vector<int>& found_flags,
                    const std::shared_ptr<const ReferenceFrames>& frames) override {
    SearchOptions options;
    options.memory = &memory_;
    return SearchMissingFiles(avi_name, missing, found, found_flags,
                              SearchServices{fs_, settings_, test::MakeProbe(fs_),
                                             MakeContentCheck(fs_, avi_path, frames)},
                              search, options);
  }
  bool AskRetry(const std::string&) override { return false; }
  bool AskRecover(const std::string&) override { return false; }
  bool BrowseFolder(const std::string&, std::string*) override { return false; }
  int AskOverwrite(const std::string&, const std::string&, const std::string&) override { return IDCANCEL; }
  void ShowMessage(const std::string&) override {}
  void ShowError(int code) override { errors.push_back(code); }

  test::ScriptUi search;
  std::vector<int> errors;

 private:
  FileSystem& fs_;
  SettingsStore& settings_;
  RunMemory memory_{0};
  ProgressPump pump_;
};

// Writes every file whose name ends in ".tmp" (the new reference AVI) with
// `from` turned into `to` wherever a single write holds it: a new file that
// does not read back with the links it was given.
class AlteringFileSystem : public FaultyFileSystem {
 public:
  explicit AlteringFileSystem(FileSystem& inner) : FaultyFileSystem(inner) {}
  std::string from, to;

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override {
    std::unique_ptr<File> file = FaultyFileSystem::Open(path, mode);
    const bool temporary = path.size() > 4 && path.compare(path.size() - 4, 4, ".tmp") == 0;
    if (!file || mode == OpenMode::kRead || !temporary || from.empty()) return file;
    return std::make_unique<AlteredFile>(std::move(file), from, to);
  }

 private:
  class AlteredFile : public File {
   public:
    AlteredFile(std::unique_ptr<File> inner, std::string from, std::string to)
        : inner_(std::move(inner)), from_(std::move(from)), to_(std::move(to)) {}
    size_t Read(void* buffer, size_t n) override { return inner_->Read(buffer, n); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t n) override { return inner_->ReadAt(offset, buffer, n); }
    size_t Write(const void* buffer, size_t n) override {
      std::string bytes(static_cast<const char*>(buffer), n);
      for (size_t at = bytes.find(from_); at != std::string::npos; at = bytes.find(from_, at + to_.size()))
        bytes.replace(at, from_.size(), to_);
      return inner_->Write(bytes.data(), bytes.size());
    }
    bool Seek(uint64_t offset) override { return inner_->Seek(offset); }
    uint64_t Tell() override { return inner_->Tell(); }
    bool Size(uint64_t* size) override { return inner_->Size(size); }
    bool SetEnd() override { return inner_->SetEnd(); }
    bool Close() override { return inner_->Close(); }
    bool Flush() override { return inner_->Flush(); }

   private:
    std::unique_ptr<File> inner_;
    std::string from_, to_;
  };
};

class FixReadsTest : public ::testing::Test {
 protected:
  FixReadsTest() : rooted_(drives_), altering_(rooted_), counting_(altering_, kAvi) {
    settings_.values[kValueDirectory].data = "C:\\";
    settings_.values[kValueSearchDrives].data = EncodeDriveMask((1u << 2) | (1u << 3) | (1u << 4));
    settings_.values[kValueBackup].data = "0";
    // A reference of some length, so that what is read once per file (its
    // headers and indexes) weighs little against what is read per frame:
    // frames 0 and 1 of each link, in turn.
    test::AviSpec recipe;
    for (int i = 0; i < 300; ++i) {
      recipe.frames.push_back(test::FrameSpec::Ref(kKept, (i % 2) * kStep));
      recipe.frames.push_back(test::FrameSpec::Ref(kMissing, (i % 2) * kStep));
    }
    original_ = test::BuildAvi(recipe);
    Put(kAvi, original_);
    Put(kKept, test::BuildDataFile(2));
    // Met first by the walk: the right name, but a shorter capture.
    Put(kDecoy, test::BuildDataFile(1));
    Put(kMoved, test::BuildDataFile(2));
  }

  void Put(const std::string& path, const std::string& bytes) {
    drives_.WriteFile(drives_.Path(path[0], path.substr(3)), bytes);
  }

  // Runs a Fix of the reference; 1 when it finished.
  int Fix() {
    test::Watchdog watchdog(120, ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ProgramSteps steps(counting_);
    const std::vector<std::string> selected = {kAvi};
    COperation operation(selected, counting_, settings_, ui_, steps);
    operation.RunFix();
    return operation.finished()[0];
  }

  std::vector<std::string> LinksOf(const std::string& path) {
    std::vector<std::string> links;
    ProgramSteps steps(rooted_);
    EXPECT_NE(steps.GetContentList(path, &links, nullptr), 0) << path;
    return links;
  }

  test::TestDrives drives_;
  test::RootedFs rooted_;
  AlteringFileSystem altering_;
  test::CountingFileSystem counting_;
  MemorySettingsStore settings_;
  SearchingUi ui_{counting_, settings_};
  std::string original_;
};

// The analysis's walk serves the content check of the search and the check
// of the new file: the reference is read to analyse it and to write the new
// one, and no more. The check stays as strict: the shorter capture met first
// is passed over.
TEST_F(FixReadsTest, AFixReadsTheReferenceOnlyToAnalyseItAndToWriteTheNewOne) {
  ASSERT_EQ(Fix(), 1);
  EXPECT_TRUE(ui_.errors.empty());
  EXPECT_EQ(LinksOf(kAvi), (std::vector<std::string>{kKept, kMoved}));
  ASSERT_EQ(ui_.search.passed_over.size(), 1u);
  EXPECT_EQ(ui_.search.passed_over[0].candidate, kDecoy);
  EXPECT_EQ(ui_.search.passed_over[0].reason, "ends before the frame at offset 120008");

  const double size = static_cast<double>(original_.size());
  EXPECT_LE(static_cast<double>(counting_.bytes_read()), 2.2 * size)
      << counting_.bytes_read() << " bytes read of a reference of " << original_.size();
}

// The new file must read back with the analysis's links, the missing one
// replaced: a link written otherwise, replaced or kept, stops the Fix with
// ERR_REWRITE_WRITE, and the reference stays as it was.
TEST_F(FixReadsTest, ANewFileThatDoesNotReadBackWithItsLinksIsRefused) {
  struct Row {
    const char* from;
    const char* to;
  };
  const Row rows[] = {{"E:\\new\\", "E:\\NEW\\"}, {"D:\\tapes\\", "D:\\TAPES\\"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.from);
    altering_.from = row.from;
    altering_.to = row.to;
    ui_.errors.clear();
    EXPECT_EQ(Fix(), 0);
    EXPECT_EQ(ui_.errors, std::vector<int>{ERR_REWRITE_WRITE});
    EXPECT_EQ(drives_.ReadFile(drives_.Path('D', "refs\\clip.avi")), original_);
    EXPECT_FALSE(rooted_.Exists(std::string(kAvi) + ".tmp"));
    EXPECT_FALSE(rooted_.Exists(JournalPath(kAvi)));
  }
}

}  // namespace
}  // namespace mendora
