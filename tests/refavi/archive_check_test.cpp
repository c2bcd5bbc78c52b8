// The archive check's memory of data files and the reasons it gives for a
// file it cannot read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "refavi/ArchiveCheck.h"
#include "refavi/reader_test_util.h"

namespace mendora {
namespace {

using test::AviSpec;
using test::FrameSpec;
using test::MemoryFileSystem;

const char kTape[] = "D:\\clips\\tape1.001";
constexpr uint32_t kStep = 120008;

std::string Reference(std::vector<uint32_t> frames) {
  AviSpec recipe;
  for (const uint32_t frame : frames) recipe.frames.push_back(FrameSpec::Ref(kTape, frame * kStep));
  return test::BuildAvi(recipe);
}

TEST(ArchiveCheck, ADataFilesFramesAreReadOnceForEveryReferenceNamingThem) {
  MemoryFileSystem fs;
  fs.Add(kTape, test::BuildDataFile(4));
  fs.Add("C:\\a.avi", Reference({0, 1, 2}));
  fs.Add("C:\\b.avi", Reference({2, 1, 0, 1}));
  fs.Add("C:\\c.avi", Reference({1, 3}));
  fs.Add("C:\\d.avi", Reference({0}));
  ArchiveCheck check(fs);
  FileCheck a = check.CheckFile("C:\\a.avi", nullptr);
  ASSERT_EQ(a.status, CheckStatus::kOk);
  // From here on the file holds no frames at all: what the check says of the
  // frames it has seen comes from its memory, and a frame it has not seen
  // yet is read from the file as it is now.
  std::string spoiled = test::BuildDataFile(4);
  for (uint32_t frame = 0; frame < 4; ++frame) spoiled[frame * kStep] = 'X';
  fs.Add(kTape, spoiled);
  FileCheck b = check.CheckFile("C:\\b.avi", nullptr);
  EXPECT_EQ(b.status, CheckStatus::kOk);
  ASSERT_EQ(b.links.size(), 1u);
  EXPECT_EQ(b.links[0].frames, 4u);
  FileCheck c = check.CheckFile("C:\\c.avi", nullptr);
  EXPECT_EQ(c.status, CheckStatus::kBroken);
  ASSERT_EQ(c.links.size(), 1u);
  EXPECT_EQ(c.links[0].status, LinkStatus::kMismatch);
  EXPECT_EQ(c.links[0].reason, "has no frame chunk at offset " + std::to_string(3 * kStep));
  EXPECT_EQ(check.headers_read(), 4u);
  // A frame found missing for one reference is missing for the next.
  fs.Add("C:\\e.avi", Reference({3}));
  EXPECT_EQ(check.CheckFile("C:\\e.avi", nullptr).links[0].status, LinkStatus::kMismatch);
  EXPECT_EQ(check.CheckFile("C:\\d.avi", nullptr).status, CheckStatus::kOk);
  EXPECT_EQ(check.headers_read(), 4u);
}

TEST(ArchiveCheck, AnUnreadableFileSaysWhy) {
  AviSpec dv;
  dv.frames = {FrameSpec::Ref(kTape, 0), FrameSpec::Ref(kTape, kStep)};
  const std::string whole = test::BuildAvi(dv);
  std::string overlong = whole;
  overlong.replace(overlong.find("movi") - 4, 4, test::U32(0x7FFFFFF0));  // the movi list runs past the RIFF
  std::string two_riffs = whole + "RIFF" + test::U32(1000) + "AVIX" + "LIST";
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file
    const char* reason;
  } cases[] = {
      {"no file", "", "cannot open"},
      {"a text file", "notes\r\n", "not DV"},
      {"cut in the frames", whole.substr(0, whole.find("REF ") + 20), "truncated"},
      {"an AVIX cut short", two_riffs, "truncated"},
      {"a list past its RIFF", overlong, "malformed"},
      {"a data file", test::BuildDataFile(2), "not an AVI file"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.Add(kTape, test::BuildDataFile(2));
    if (!c.bytes.empty()) fs.Add("C:\\x.avi", c.bytes);
    const FileCheck check = ArchiveCheck(fs).CheckFile("C:\\x.avi", nullptr);
    EXPECT_EQ(check.status, CheckStatus::kUnreadable) << c.name;
    EXPECT_EQ(check.reason, c.reason) << c.name;
    EXPECT_TRUE(check.links.empty()) << c.name;
  }
}

// A DV AVI whose frames hold no REF record has nothing to check, however its
// sound is declared; one that cannot be walked stays unreadable.
TEST(ArchiveCheck, ADvAviWithoutRefRecordsIsSelfContained) {
  AviSpec plain;
  plain.handler = plain.compression = fcc::dvsd;
  plain.frames = {FrameSpec::Data(120000), FrameSpec::Data(120000)};
  AviSpec sound = plain;
  sound.audio = true;
  AviSpec ffmpeg_sound = sound;
  ffmpeg_sound.audio_handler = 1;  // what ffmpeg writes
  AviSpec pal_odml = ffmpeg_sound;
  pal_odml.height = 576;
  pal_odml.odml = true;
  pal_odml.frames = {FrameSpec::Data(144000), FrameSpec::Data(144000)};
  pal_odml.frames[1].riff = 1;
  AviSpec reference = ffmpeg_sound;
  reference.handler = reference.compression = fcc::kzvq;
  reference.frames = {FrameSpec::Ref(kTape, 0), FrameSpec::Data(120000)};
  const std::string with_sound = test::BuildAvi(ffmpeg_sound);
  std::string text_stream = with_sound;
  text_stream.replace(text_stream.find("auds"), 4, "txts");
  std::string short_header = with_sound;
  short_header.replace(short_header.find("strh", short_header.find("strh") + 4) + 4, 4, test::U32(20));
  std::string overlong = with_sound;
  overlong.replace(overlong.find("movi") - 4, 4, test::U32(0x7FFFFFF0));
  struct Case {
    const char* name;
    std::string bytes;
    CheckStatus status;
    const char* reason;
  } cases[] = {
      {"video only", test::BuildAvi(plain), CheckStatus::kSelfContained, ""},
      {"sound without a handler", test::BuildAvi(sound), CheckStatus::kSelfContained, ""},
      {"sound with handler 1", with_sound, CheckStatus::kSelfContained, ""},
      {"PAL, OpenDML, an AVIX", test::BuildAvi(pal_odml), CheckStatus::kSelfContained, ""},
      {"a reference AVI with handler 1", test::BuildAvi(reference), CheckStatus::kUnreadable, "malformed"},
      {"a text stream", text_stream, CheckStatus::kUnreadable, "malformed"},
      {"a sound header too short", short_header, CheckStatus::kUnreadable, "malformed"},
      {"a list past its RIFF", overlong, CheckStatus::kUnreadable, "malformed"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.Add(kTape, test::BuildDataFile(2));
    fs.Add("C:\\x.avi", c.bytes);
    const FileCheck check = ArchiveCheck(fs).CheckFile("C:\\x.avi", nullptr);
    EXPECT_EQ(check.status, c.status) << c.name;
    EXPECT_EQ(check.reason, c.reason) << c.name;
    EXPECT_TRUE(check.links.empty()) << c.name;
  }
}

TEST(ArchiveCheck, ReportFieldsWithSeparatorsAreQuoted) {
  FileCheck file;
  file.path = "C:\\tapes, \"best\"\\a.avi";
  file.status = CheckStatus::kBroken;
  file.links.push_back({"D:\\x\ty.001", LinkStatus::kMissing, 7, ""});
  EXPECT_EQ(FormatCheckCsv({file}), "file,status,reason,link,link status,frames\r\n"
                                    "\"C:\\tapes, \"\"best\"\"\\a.avi\",broken,,D:\\x\ty.001,missing,7\r\n");
  EXPECT_EQ(FormatCheckJson({file}), "{\"version\": 1, \"files\": [\n"
                                     "  {\"path\": \"C:\\\\tapes, \\\"best\\\"\\\\a.avi\", \"status\": \"broken\", "
                                     "\"links\": [\n"
                                     "    {\"path\": \"D:\\\\x\\u0009y.001\", \"status\": \"missing\", \"frames\": 7}\n"
                                     "  ]}\n]}\n");
  EXPECT_EQ(FormatCheckJson({}), "{\"version\": 1, \"files\": []}\n");
}

TEST(ArchiveCheck, ReportsAreUtf8WhateverTheCodePage) {
  // CP932 "D:\x\ソ" ends with the byte 0x5C; escaping it before the
  // conversion left a stray backslash before the closing quote.
  FileCheck file;
  file.path = "D:\\x\\\x83\x5C";
  file.status = CheckStatus::kBroken;
  file.links.push_back({"D:\\\x83\x5C\\a\x83", LinkStatus::kMissing, 3, ""});  // a lead byte left alone
  file.links.push_back({"=cmd|' /C calc'!A0", LinkStatus::kMissing, 1, ""});
  const WinPath sjis(932);
  EXPECT_EQ(FormatCheckJson({file}, sjis),
            "{\"version\": 1, \"files\": [\n"
            "  {\"path\": \"D:\\\\x\\\\\xE3\x82\xBD\", \"status\": \"broken\", \"links\": [\n"
            "    {\"path\": \"D:\\\\\xE3\x82\xBD\\\\a\xEF\xBF\xBD\", \"path_bytes\": \"443a5c835c5c6183\", "
            "\"status\": \"missing\", \"frames\": 3},\n"
            "    {\"path\": \"=cmd|' /C calc'!A0\", \"status\": \"missing\", \"frames\": 1}\n"
            "  ]}\n]}\n");
  EXPECT_EQ(FormatCheckCsv({file}, sjis),
            "file,status,reason,link,link status,frames\r\n"
            "D:\\x\\\xE3\x82\xBD,broken,,D:\\\xE3\x82\xBD\\a\xEF\xBF\xBD,missing,3\r\n"
            "D:\\x\\\xE3\x82\xBD,broken,,'=cmd|' /C calc'!A0,missing,1\r\n");
}

}  // namespace
}  // namespace mendora
