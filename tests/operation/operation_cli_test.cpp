// mendora-cli fix, copy and move on real reference AVI files, in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "common/Types.h"
#include "platform/wintypes.h"
#include "operation/Journal.h"
#include "refavi/fixtures.h"
#include "support/file_states.h"
#include "support/json_reader.h"
#ifndef _WIN32
#include "platform/codepage.h"
#endif

namespace mendora {
namespace {

using test::CliRun;

class OperationCliTest : public test::CliDrivesTest {};

TEST_F(OperationCliTest, FixWritesTheCorrectedFileAndKeepsABackupUnlessTold) {
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001");
  const std::string gone = d.Path('E', "old\\clip.002"), found = d.Path('C', "x\\clip.002");
  Avi(avi, {one, gone});
  const std::string original = d.ReadFile(avi);
  d.WriteFile(one, test::BuildDataFile(2));
  d.WriteFile(found, test::BuildDataFile(2));

  CliRun run = Cli({"fix", avi});
  EXPECT_EQ(run.status, 1) << "a link left missing";
  EXPECT_NE(run.err.find(gone), std::string::npos) << run.err;
  EXPECT_EQ(d.ReadFile(avi), original);

  run = Cli({"fix", "--locate", gone + "=" + found, avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Corrected Data File Paths of Avi File:   " + avi + "     \n" +
                         "Finished Checking Avi File:   " + avi + "     \n");
  EXPECT_EQ(Links(avi), (std::vector<std::string>{one, found}));
  EXPECT_EQ(d.ReadFile(avi + ".bak"), original);

  Avi(avi, {one, gone});
  run = Cli({"fix", "--backup", "0", "--locate", gone + "=" + found, avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(d.ReadFile(avi + ".bak"), original) << "the earlier backup is left as it was";
  EXPECT_EQ(Links(avi), (std::vector<std::string>{one, found}));
  EXPECT_FALSE(d.Exists(avi + ".tmp"));
}

TEST_F(OperationCliTest, MoveAndCopyCarryTheDataFilesToTheFolderGiven) {
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001"), two = d.Path('C', "b\\clip.002");
  Avi(avi, {one, two});
  const std::string data1 = test::BuildDataFile(2), data2 = test::BuildDataFile(3);
  d.WriteFile(one, data1);
  d.WriteFile(two, data2);
  d.WriteFile(d.Path('E', "copy\\x"), "");
  d.WriteFile(d.Path('E', "moved\\x"), "");

  CliRun run = Cli({"copy", avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("--to"), std::string::npos) << run.err;

  run = Cli({"copy", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Finished Copying Avi File:   " + avi + "     \n");
  EXPECT_EQ(Links(d.Path('E', "copy\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "copy\\clip.001"), d.Path('E', "copy\\clip.002")}));
  EXPECT_EQ(d.ReadFile(d.Path('E', "copy\\clip.002")), data2);
  EXPECT_EQ(d.ReadFile(two), data2);

  // The output exists now: without --yes it stays.
  run = Cli({"copy", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Overwrite"), std::string::npos);
  EXPECT_FALSE(d.Exists(d.Path('E', "copy\\clip~001.001")));
  run = Cli({"copy", "--yes", "--to", d.Path('E', "copy"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Links(d.Path('E', "copy\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "copy\\clip~001.001"), d.Path('E', "copy\\clip~001.002")}));

  run = Cli({"move", "--backup", "0", "--to", d.Path('E', "moved"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Finished Moving Avi File:   " + avi + "     \n");
  EXPECT_FALSE(d.Exists(avi));
  EXPECT_FALSE(d.Exists(avi + ".bak"));
  EXPECT_FALSE(d.Exists(one));
  EXPECT_EQ(d.ReadFile(d.Path('E', "moved\\clip.001")), data1);
  EXPECT_EQ(Links(d.Path('E', "moved\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "moved\\clip.001"), d.Path('E', "moved\\clip.002")}));
}

TEST_F(OperationCliTest, AMoveStoppedAfterTheSourceWentIsFinishedByTheSameMove) {
  // The process died after the last rename and the source's delete, before
  // the journal went: the reference AVI the user names is gone.
  const std::string avi = d.Path('D', "a\\clip.avi"), moved = d.Path('E', "moved\\clip.avi");
  Avi(moved, {d.Path('E', "moved\\clip.001")});
  d.WriteFile(d.Path('E', "moved\\clip.001"), test::BuildDataFile(2));
  CarryJournal journal;
  journal.mode = Move;
  journal.phase = JournalPhase::kPlace;
  journal.avi = avi;
  journal.output = moved;
  journal.temporary = moved + ".tmp";
  journal.source = SourceFate::kDelete;
  journal.pairs = {{d.Path('D', "a\\clip.001"), d.Path('E', "moved\\clip.001")}};
  d.WriteFile(JournalPath(avi), FormatJournal(journal));

  const CliRun run = Cli({"move", "--to", d.Path('E', "moved"), avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("was completed"), std::string::npos) << run.out;
  EXPECT_FALSE(d.Exists(JournalPath(avi)));
  EXPECT_EQ(Links(moved), std::vector<std::string>{d.Path('E', "moved\\clip.001")});
}

// A journal is believed only when it records the run that its own reference
// AVI implies. Each of these was written by nobody's run (by hand, copied
// from another file, restored from a backup): the run refuses it, names the
// journal, and every byte and name of the drives stays as it was.
TEST_F(OperationCliTest, AJournalThatIsNoRecordOfThisRunIsRefusedAndNothingIsTouched) {
  const std::string avi = d.Path('D', "proj\\t.avi"), one = d.Path('D', "proj\\t.001");
  const std::string dst = d.Path('E', "dst"), victim = d.Path('E', "victim.txt"), victim2 = d.Path('E', "victim2.txt");
  const std::string important = d.Path('D', "important.doc"), evil = d.Path('D', "evil.bin");
  auto legit = [&](JournalPhase phase) {
    CarryJournal j;
    j.mode = Copy;
    j.phase = phase;
    j.avi = avi;
    j.output = dst + "\\t.avi";
    j.temporary = j.output + ".tmp";
    j.pairs = {{one, dst + "\\t.001"}};
    return j;
  };
  struct Case {
    const char* what;
    std::vector<std::string> command;
    std::function<void(CarryJournal*)> forge;
  };
  const std::vector<Case> cases = {
      {"a pair outside the run", {"fix", avi},
       [&](CarryJournal* j) {
         j->pairs = {{one, victim}};
         j->temporary = victim2;
       }},
      {"a pair from a file the reference AVI does not link", {"fix", avi},
       [&](CarryJournal* j) { j->pairs = {{d.Path('C', "other\\t.001"), dst + "\\t.001"}}; }},
      {"an output and a temporary that name other files", {"move", "--to", dst, avi},
       [&](CarryJournal* j) {
         *j = legit(JournalPhase::kPlace);
         j->mode = Move;
         j->source = SourceFate::kDelete;
         j->output = important;
         j->temporary = evil;
       }},
      {"the journal of another reference AVI", {"fix", avi},
       [&](CarryJournal* j) { j->avi = d.Path('D', "proj\\other.avi"); }},
      {"a stale journal: the reference AVI was replaced since", {"copy", "--to", dst, avi},
       [&](CarryJournal* j) {
         FileIdentity id;
         uint64_t size = 0;
         ASSERT_TRUE(d.fs().Identity(avi, &id) && d.fs().GetSize(avi, &size));
         j->begin = id;
         j->begin_size = size;
         // Restored from a backup: the same bytes in another file. The old
         // one stays aside, so that its number cannot come back.
         const std::string bytes = d.ReadFile(avi);
         ASSERT_TRUE(d.fs().Rename(avi, d.Path('D', "proj\\spacer"), false));
         d.WriteFile(avi, bytes);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Avi(avi, {one});
    d.WriteFile(one, test::BuildDataFile(2));
    d.WriteFile(dst + "\\t.001", "someone else's t.001");
    d.WriteFile(victim, "precious");
    d.WriteFile(victim2, "precious too");
    d.WriteFile(important, "the only copy");
    d.WriteFile(evil, "not a reference AVI");
    ASSERT_TRUE(d.fs().SetAttributes(victim, kAttrReadOnly));
    CarryJournal journal = legit(JournalPhase::kCarry);
    c.forge(&journal);
    d.WriteFile(JournalPath(avi), FormatJournal(journal));
    const std::vector<std::string> roots = {d.Root('C'), d.Root('D'), d.Root('E')};
    test::FileStates before = test::ReadStates(d.fs(), roots);

    const CliRun run = Cli(c.command);
    test::FileStates after = test::ReadStates(d.fs(), roots);
    for (test::FileStates* states : {&before, &after}) states->erase(d.Path('C', "settings.reg"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(JournalPath(avi) + "   does not belong to the run on this file"), std::string::npos)
        << run.out;
    EXPECT_EQ(test::Differences(after, before), "");
    EXPECT_EQ(d.fs().GetAttributes(victim) & kAttrReadOnly, kAttrReadOnly);
    ASSERT_TRUE(d.fs().SetAttributes(victim, kAttrNormal));
    for (const std::string& path : {victim, victim2, important, evil, JournalPath(avi), d.Path('D', "proj\\spacer")})
      d.fs().Delete(path);
  }
}

#ifndef _WIN32
// Paths recorded by a Japanese Windows: CP932 bytes in the file, UTF-8 names
// on disk and on the terminal. The byte strings are CP932 as Windows writes
// it; the names are "映像素材", "素材2", "古い" and "書き出し".
class CodePageCliTest : public OperationCliTest {
 protected:
  static constexpr char kFootage[] = "\x89\x66\x91\x9c\x91\x66\x8d\xde";
  static constexpr char kMaterial2[] = "\x91\x66\x8d\xde\x32";
  static constexpr char kOld[] = "\x8c\xc3\x82\xa2";
  static constexpr char kExport[] = "\x8f\x91\x82\xab\x8f\x6f\x82\xb5";

  ~CodePageCliTest() override { SetAnsiCodePage(0); }

  // Writes a file under a drive's folder by its native (UTF-8) name.
  void WriteNative(char drive, const std::string& relative, const std::string& bytes) {
    const std::string path = d.Native(d.Root(drive)) + "/" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  bool ExistsNative(char drive, const std::string& relative) {
    return std::filesystem::exists(d.Native(d.Root(drive)) + "/" + relative);
  }
  // The recorded bytes of every link, as they stand in the file.
  std::string RawLinks(const std::string& avi) { return Cli({"--codepage", "65001", "links", avi}).out; }
};

TEST_F(CodePageCliTest, LinksFixAndCopyOfACp932ReferenceAvi) {
  const std::string data1 = test::BuildDataFile(2), data2 = test::BuildDataFile(3);
  WriteNative('D', "映像素材/take1.001", data1);
  WriteNative('E', "素材2/take2.001", data2);
  WriteNative('E', "書き出し/keep", "");
  test::AviSpec recipe;
  for (const std::string& link : {std::string("D:\\") + kFootage + "\\take1.001", std::string("D:\\") + kOld + "\\take2.001"})
    recipe.frames.push_back(test::FrameSpec::Ref(link, 0));
  WriteNative('D', "映像素材/ref.avi", test::BuildAvi(recipe));
  const std::string avi = "D:\\映像素材\\ref.avi";

  CliRun run = Cli({"--codepage", "932", "links", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "D:\\映像素材\\take1.001\nD:\\古い\\take2.001\n");

  // take1 is where it was recorded; take2 is found by the search on E:.
  run = Cli({"--codepage", "932", "fix", "--drives", "E", "--accept-first", "--backup", "0", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Corrected Data File Paths of Avi File:   D:\\映像素材\\ref.avi"), std::string::npos)
      << run.out;
  EXPECT_EQ(RawLinks(avi), std::string("D:\\") + kFootage + "\\take1.001\nE:\\" + kMaterial2 + "\\take2.001\n");

  // A destination the code page cannot hold is refused before anything moves.
  run = Cli({"--codepage", "932", "copy", "--to", "E:\\書き出し\\\xF0\x9F\x98\x80", avi});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("code page 932"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\xF0\x9F\x98\x80"), std::string::npos) << run.err;
  EXPECT_FALSE(ExistsNative('E', "書き出し/ref.avi"));
  EXPECT_FALSE(ExistsNative('E', "書き出し/take1.001"));

  run = Cli({"--codepage", "932", "copy", "--to", "E:\\書き出し", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(RawLinks("E:\\書き出し\\ref.avi"),
            std::string("E:\\") + kExport + "\\take1.001\nE:\\" + kExport + "\\take2.001\n");
  EXPECT_EQ(d.ReadFile(d.Native(d.Root('E')) + "/書き出し/take2.001"), data2);
  EXPECT_TRUE(ExistsNative('E', "素材2/take2.001")) << "a copy leaves the source";
}

// Names whose second CP932 byte is 0x5C, the backslash: 能力 (94 5C 97 CD),
// 予定 (97 5C 92 E8), 表示 (95 5C 8E A6), ソ (83 5C), 十 (8F 5C), and ソフト素材.
// A byte-wise split made "予定.avi" "定.avi" and "表示.002" "示.002".
class BackslashByteCliTest : public CodePageCliTest {
 protected:
  static constexpr char kAbility[] = "\x94\x5C\x97\xCD";
  static constexpr char kPlan[] = "\x97\x5C\x92\xE8";
  static constexpr char kShow[] = "\x95\x5C\x8E\xA6";
  static constexpr char kSo[] = "\x83\x5C";
  static constexpr char kTen[] = "\x8F\x5C";
  static constexpr char kSoftware[] = "\x83\x5C\x83\x74\x83\x67\x91\x66\x8D\xDE";

  // D:\能力\予定.avi takes two frames of each link; every data file has
  // its own content, so a link that names the wrong file shows.
  std::string MakeAvi(const std::vector<std::string>& links) {
    test::AviSpec recipe;
    for (const std::string& link : links) {
      recipe.frames.push_back(test::FrameSpec::Ref(link, 0));
      recipe.frames.push_back(test::FrameSpec::Ref(link, kWholeFileStep525));
    }
    WriteNative('D', "能力/予定.avi", test::BuildAvi(recipe));
    return "D:\\能力\\予定.avi";
  }
  static std::string Data(int k) { return test::BuildDataFile(2 + k); }
  std::string ReadNative(char drive, const std::string& relative) {
    return d.ReadFile(d.Native(d.Root(drive)) + "/" + relative);
  }
  // Every native file of a drive, by its path below the drive's folder.
  std::vector<std::string> Tree(char drive) {
    std::vector<std::string> names;
    const std::filesystem::path root(d.Native(d.Root(drive)));
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
      if (e.is_regular_file()) names.push_back(e.path().lexically_relative(root).generic_string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(BackslashByteCliTest, LinksCheckAndFixBySearch) {
  const std::string one = std::string("D:\\") + kAbility + "\\" + kShow + ".001";
  const std::string two = std::string("D:\\") + kSo + "\\" + kShow + ".002";
  const std::string avi = MakeAvi({one, two});
  WriteNative('D', "能力/表示.001", Data(0));
  WriteNative('E', "十/表示.002", Data(1));
  WriteNative('E', "示.002", Data(1));  // the name a byte-wise split looks for

  CliRun run = Cli({"--codepage", "932", "links", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "D:\\能力\\表示.001\nD:\\ソ\\表示.002\n");

  run = Cli({"--codepage", "932", "check", "--json", avi});
  EXPECT_EQ(run.status, 1);
  size_t fault = 0;
  const std::optional<test::JsonValue> report = test::ParseJson(run.out, &fault);
  ASSERT_TRUE(report) << "not JSON at " << fault << ": " << run.out;
  const test::JsonValue& file = (*report)["files"][0];
  EXPECT_EQ(file["path"].text, "D:\\能力\\予定.avi");
  EXPECT_EQ(file["status"].text, "broken");
  EXPECT_EQ(file["links"][0]["path"].text, "D:\\能力\\表示.001");
  EXPECT_EQ(file["links"][0]["status"].text, "ok");
  EXPECT_EQ(file["links"][1]["path"].text, "D:\\ソ\\表示.002");
  EXPECT_EQ(file["links"][1]["status"].text, "missing");
  EXPECT_FALSE(file["links"][1].Has("path_bytes"));

  run = Cli({"--codepage", "932", "fix", "--drives", "E", "--accept-first", "--backup", "0", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(RawLinks(avi), one + "\nE:\\" + kTen + "\\" + kShow + ".002\n");
  EXPECT_EQ((std::vector<std::string>{"能力/予定.avi", "能力/表示.001"}), Tree('D'));
}

TEST_F(BackslashByteCliTest, AByteTheCodePageCannotMapIsReplacedAndTheRestConverted) {
  // 0xFD is no character of CP932.
  const std::string avi = MakeAvi({std::string("D:\\") + kSo + "\\\xFD" + kShow + ".001"});
  CliRun run = Cli({"--codepage", "932", "links", avi});
  EXPECT_EQ(run.out, "D:\\ソ\\\uFFFD表示.001\n");
  run = Cli({"--codepage", "932", "check", "--json", avi});
  const std::optional<test::JsonValue> report = test::ParseJson(run.out);
  ASSERT_TRUE(report) << run.out;
  const test::JsonValue& link = (*report)["files"][0]["links"][0];
  EXPECT_EQ(link["path"].text, "D:\\ソ\\\uFFFD表示.001");
  EXPECT_EQ(link["path_bytes"].text, "443a5c835c5cfd955c8ea62e303031");
  EXPECT_FALSE((*report)["files"][0].Has("path_bytes"));
}

TEST_F(BackslashByteCliTest, AMapInTheOtherCaseAppliesOnFolderBoundariesOnly) {
  const std::string media = "D:\\Media\\" + std::string(kShow) + ".003";
  const std::string soft = std::string("D:\\") + kSoftware + "\\a.001";
  const std::string avi = MakeAvi({media, soft});
  WriteNative('E', "new/表示.003", Data(0));
  WriteNative('E', "new/フト素材/a.001", Data(1));  // where "D:\ソ" mapped byte-wise would send it
  WriteNative('E', "right/a.001", Data(1));

  // --drives C walks a drive without the files: only the map and --locate
  // can resolve them.
  const CliRun run = Cli({"--codepage", "932", "fix", "--drives", "C", "--backup", "0", "--map", "d:\\media=E:\\new",
                          "--map", "D:\\ソ=E:\\new", "--locate", "D:\\ソフト素材\\a.001=E:\\right\\a.001", avi});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(RawLinks(avi), "E:\\new\\" + std::string(kShow) + ".003\nE:\\right\\a.001\n");
}

TEST_F(BackslashByteCliTest, CopyAndMoveKeepEveryNameIntoAFolderEndingInSuchACharacter) {
  const std::string one = std::string("D:\\") + kAbility + "\\" + kShow + ".001";
  const std::string two = std::string("D:\\") + kSo + "\\" + kShow + ".001";  // the same name, another folder
  for (const char* mode : {"copy", "move"}) {
    SCOPED_TRACE(mode);
    const std::string avi = MakeAvi({one, two});
    WriteNative('D', "能力/表示.001", Data(0));
    WriteNative('D', "ソ/表示.001", Data(1));
    const std::string target = std::string(mode) == "copy" ? "ソ" : "十";
    WriteNative('E', target + "/keep.txt", "left alone");

    const CliRun run = Cli({"--codepage", "932", mode, "--backup", "0", "--to", "E:\\" + target, avi});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string folder = std::string("E:\\") + (target == "ソ" ? kSo : kTen) + "\\";
    EXPECT_EQ(RawLinks("E:\\" + target + "\\予定.avi"),
              folder + kShow + ".001\n" + folder + kShow + "~001.001\n");
    EXPECT_EQ(ReadNative('E', target + "/表示.001"), Data(0));
    EXPECT_EQ(ReadNative('E', target + "/表示~001.001"), Data(1));
    EXPECT_EQ(Tree('E'), (std::vector<std::string>{target + "/keep.txt", target + "/予定.avi", target + "/表示.001",
                                                   target + "/表示~001.001"}));
    if (std::string(mode) == "copy") {
      EXPECT_EQ(Tree('D'), (std::vector<std::string>{"ソ/表示.001", "能力/予定.avi", "能力/表示.001"}));
    } else {
      EXPECT_EQ(Tree('D'), std::vector<std::string>{});
    }
    std::filesystem::remove_all(d.Native(d.Root('E')) + "/" + target);
  }
}

TEST_F(CodePageCliTest, TheCodePageComesFromTheOptionTheVariableOrTheDriveFile) {
  test::AviSpec recipe;
  recipe.frames.push_back(test::FrameSpec::Ref(std::string("D:\\") + kFootage + "\\a.001", 8));
  WriteNative('D', "ref.avi", test::BuildAvi(recipe));
  const std::string cp932 = "D:\\映像素材\\a.001\n";
  const std::string drive_file = d.Native(d.Root('C')) + "/drives";
  std::ofstream(drive_file) << "# test\ncodepage=932\n";
  setenv("MENDORA_DRIVES_FILE", drive_file.c_str(), 1);
  EXPECT_EQ(Cli({"links", "D:\\ref.avi"}).out, cp932);
  setenv("MENDORA_CODEPAGE", "65001", 1);
  EXPECT_EQ(Cli({"links", "D:\\ref.avi"}).out, std::string("D:\\") + kFootage + "\\a.001\n");
  EXPECT_EQ(Cli({"--codepage", "932", "links", "D:\\ref.avi"}).out, cp932);
  EXPECT_EQ(Cli({"--codepage", "437", "links", "D:\\ref.avi"}).status, 2);
  unsetenv("MENDORA_CODEPAGE");
  unsetenv("MENDORA_DRIVES_FILE");
}
#endif

TEST_F(OperationCliTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Cli({"move"}).status, 2);
  EXPECT_EQ(Cli({"fix", "--backup", "2", "x.avi"}).status, 2);
  EXPECT_EQ(Cli({"copy", "--locate", "nothing", "x.avi"}).status, 2);
  const CliRun run = Cli({"fix", d.Path('D', "none.avi")});
  EXPECT_EQ(run.status, 1);
  // A file that cannot be opened fails the DV check before anything runs.
  EXPECT_EQ(run.err, "error 289: File Open Failure.\n    " + d.Path('D', "none.avi") + "\n");
}

TEST_F(OperationCliTest, ADryRunNamesWhatItWouldDoAndChangesNothing) {
  // clip.avi links clip.001 beside it and clip.002, which was moved to C:\x
  // (given with --locate). E:\dest already holds a clip.001.
  const std::string avi = d.Path('D', "a\\clip.avi"), one = d.Path('D', "a\\clip.001");
  const std::string gone = d.Path('E', "old\\clip.002"), found = d.Path('C', "x\\clip.002");
  const std::string dest = d.Path('E', "dest");
  Avi(avi, {one, gone});
  d.WriteFile(one, test::BuildDataFile(2));
  d.WriteFile(found, test::BuildDataFile(2));
  d.WriteFile(d.Path('E', "dest\\clip.001"), "another take");
  d.WriteFile(d.Path('C', "settings.reg"), "");
  const std::vector<std::string> roots = {d.Root('C'), d.Root('D'), d.Root('E')};
  const test::FileStates before = test::ReadStates(d.fs(), roots);
  ASSERT_EQ(before.size(), 8u);  // five files, three folders

  const std::string locate = gone + "=" + found;
  struct Case {
    std::vector<std::string> arguments;
    std::string plan;
  } cases[] = {
      {{"fix", "--dry-run", "--locate", locate, avi},
       "dry run: fix " + avi + "\n" +
           "  link  " + one + "  (unchanged)\n" +
           "  link  " + gone + "  ->  " + found + "\n" +
           "  new reference AVI  " + avi + "\n" +
           "  written first as   " + avi + ".tmp\n" +
           "  old one kept as    " + avi + ".bak\n" +
           "Finished Checking Avi File:   " + avi + "     \n"},
      {{"fix", "--dry-run", "--backup", "0", "--locate", locate, avi},
       "dry run: fix " + avi + "\n" +
           "  link  " + one + "  (unchanged)\n" +
           "  link  " + gone + "  ->  " + found + "\n" +
           "  new reference AVI  " + avi + "\n" +
           "  written first as   " + avi + ".tmp\n" +
           "Finished Checking Avi File:   " + avi + "     \n"},
      {{"copy", "--dry-run", "--to", dest, "--locate", locate, avi},
       "dry run: copy " + avi + "\n" +
           "  link  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  link  " + gone + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  copy  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  copy  " + found + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  new reference AVI  " + d.Path('E', "dest\\clip.avi") + "\n" +
           "  written first as   " + d.Path('E', "dest\\clip.avi.tmp") + "\n"},
      {{"move", "--dry-run", "--to", dest, "--locate", locate, avi},
       "dry run: move " + avi + "\n" +
           "  link  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  link  " + gone + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  move  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  move  " + found + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  new reference AVI  " + d.Path('E', "dest\\clip.avi") + "\n" +
           "  written first as   " + d.Path('E', "dest\\clip.avi.tmp") + "\n" +
           "  old one kept as    " + avi + ".bak\n"},
      {{"move", "--dry-run", "--backup", "0", "--to", dest, "--locate", locate, avi},
       "dry run: move " + avi + "\n" +
           "  link  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  link  " + gone + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  move  " + one + "  ->  " + d.Path('E', "dest\\clip~001.001") + "\n" +
           "  move  " + found + "  ->  " + d.Path('E', "dest\\clip.002") + "\n" +
           "  new reference AVI  " + d.Path('E', "dest\\clip.avi") + "\n" +
           "  written first as   " + d.Path('E', "dest\\clip.avi.tmp") + "\n" +
           "  old one deleted    " + avi + "\n"},
  };
  for (const Case& c : cases) {
    // A temporary file left by an earlier run stays too: a real run would
    // clear it, a dry run does not.
    d.WriteFile(d.Path('E', "dest\\clip.avi.tmp"), "left over");
    const test::FileStates with_leftover = test::ReadStates(d.fs(), roots);
    CliRun run = Cli(c.arguments);
    EXPECT_EQ(run.status, 0) << c.arguments[0] << "\n" << run.err;
    EXPECT_EQ(run.out, c.plan);
    EXPECT_EQ(test::Differences(test::ReadStates(d.fs(), roots), with_leftover), "") << c.plan;
    d.fs().Delete(d.Path('E', "dest\\clip.avi.tmp"));
  }
  EXPECT_EQ(test::Differences(test::ReadStates(d.fs(), roots), before), "");

  // The same run for real gives the links the plan named.
  CliRun real = Cli({"copy", "--to", dest, "--locate", locate, avi});
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(Links(d.Path('E', "dest\\clip.avi")),
            (std::vector<std::string>{d.Path('E', "dest\\clip~001.001"), d.Path('E', "dest\\clip.002")}));
}

}  // namespace
}  // namespace mendora
