#include "platform/win_path.h"

#include <gtest/gtest.h>

namespace mendora {
namespace {

// CP932 characters written as their bytes, so that the expected values do
// not depend on the encoding of this file. The second byte of each of the
// first five is 0x5C, the backslash.
#define SO "\x83\x5C"      // ソ
#define HYO "\x95\x5C"     // 表
#define NO "\x94\x5C"      // 能
#define YO "\x97\x5C"      // 予
#define JU "\x8F\x5C"      // 十
#define JI "\x8E\xA6"      // 示
#define TEI "\x92\xE8"     // 定
#define RYOKU "\x97\xCD"   // 力
#define A_KANA "\x83\x41"  // ア
#define DI "\x83\x61"      // ヂ
#define FW_A "\x82\x81"    // ａ (full width)
#define FW_CAP_A "\x82\x60"  // Ａ

TEST(WinPath, SplitsByCharactersOfTheCodePage) {
  struct Case {
    int code_page;
    const char* path;
    const char* folder;  // nullptr: no backslash
    const char* name;
  };
  const Case cases[] = {
      {932, "D:\\" NO RYOKU "\\" YO TEI ".avi", "D:\\" NO RYOKU "\\", YO TEI ".avi"},
      {932, "D:\\x\\" HYO JI ".002", "D:\\x\\", HYO JI ".002"},
      {932, "E:\\" SO, "E:\\", SO},
      {932, "E:\\" SO "\\" JU, "E:\\" SO "\\", JU},
      {932, SO HYO, nullptr, SO HYO},
      // The same bytes in 1252 are two characters each, and 0x5C splits.
      {1252, "E:\\" SO, "E:\\\x83\\", ""},
      {1252, "D:\\Caf\xC9\\\xC0 voir.001", "D:\\Caf\xC9\\", "\xC0 voir.001"},
      {65001, "D:\\\xE3\x82\xBD\\\xE8\xA1\xA8.001", "D:\\\xE3\x82\xBD\\", "\xE8\xA1\xA8.001"},
      // A lead byte at the very end takes nothing with it.
      {932, "D:\\a\x83", "D:\\", "a\x83"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const WinPath paths(c.code_page);
    std::string folder, name;
    ASSERT_EQ(paths.Split(c.path, &folder, &name), c.folder != nullptr);
    EXPECT_EQ(paths.FileName(c.path), c.name);
    if (c.folder == nullptr) continue;
    EXPECT_EQ(folder, c.folder);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(paths.Folder(c.path), c.folder);
    EXPECT_EQ(paths.Join(folder, name), c.path);
  }
}

TEST(WinPath, JoinParentAndTrailingSeparators) {
  const WinPath sjis(932);
  // "E:\ソ" ends with the byte 0x5C, but not with a backslash.
  EXPECT_FALSE(sjis.EndsWithSeparator("E:\\" SO));
  EXPECT_EQ(sjis.Join("E:\\" SO, "a.avi"), "E:\\" SO "\\a.avi");
  EXPECT_EQ(sjis.Join("E:\\" SO "\\", "a.avi"), "E:\\" SO "\\a.avi");
  EXPECT_EQ(sjis.Join("G:\\", "x"), "G:\\x");
  EXPECT_EQ(sjis.WithoutSeparator("D:\\" SO "\\"), "D:\\" SO);
  EXPECT_EQ(sjis.WithoutSeparator("D:\\" SO), "D:\\" SO);
  EXPECT_EQ(sjis.WithoutSeparator("D:\\"), "D:\\");
  EXPECT_EQ(sjis.Parent("D:\\media\\" SO "\\"), "D:\\media\\");
  EXPECT_EQ(sjis.Parent("D:\\media\\" SO), "D:\\media\\");
  EXPECT_EQ(sjis.Parent("D:\\" HYO "\\"), "D:\\");
  EXPECT_EQ(sjis.Parent("D:\\"), "");
  EXPECT_EQ(sjis.Extension("D:\\a.b\\" HYO JI ".002"), ".002");
  EXPECT_EQ(sjis.Extension("D:\\a.b\\take1"), "");
}

TEST(WinPath, CollisionMarkerGoesBeforeTheLastDotOfTheFileName) {
  const WinPath sjis(932);
  const struct {
    const char* path;
    size_t at;
  } cases[] = {
      {"E:\\dst\\take1.001", 12},
      {"E:\\dst.v2\\take1", 15},  // a dot in a folder does not count
      {"E:\\" SO ".d\\" HYO JI, 12},
      {"E:\\" SO "\\" YO TEI ".avi", 10},
      {"E:\\a.b.c", 6},
      {"take1", 5},
  };
  for (const auto& c : cases) EXPECT_EQ(sjis.MarkerPosition(c.path), c.at) << c.path;
}

TEST(WinPath, ComparesAsWindowsDoesByCharactersIgnoringCase) {
  const struct {
    int code_page;
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {1252, "D:\\Media\\a.001", "d:\\MEDIA\\A.001", true},
      {1252, "D:\\caf\xE9", "D:\\CAF\xC9", true},  // é and É
      {1252, "D:\\\xE0", "D:\\\xC0", true},          // à and À
      {1252, "D:\\a", "D:\\a\\", false},
      {932, "D:\\" A_KANA, "D:\\" DI, false},  // 83 41 and 83 61: not a case pair
      {932, "D:\\" FW_A, "D:\\" FW_CAP_A, true},
      {932, "D:\\" SO "\\a", "d:\\" SO "\\A", true},
      {932, "D:\\" SO, "D:\\" HYO, false},
      {65001, "D:\\\xC3\x9C", "d:\\\xC3\xBC", true},  // Ü and ü
      {65001, "D:\\\xC3\x9F", "D:\\SS", false},       // ß stays one character
      // Bytes that convert to nothing stay themselves.
      {932, "D:\\a\x83", "D:\\A\x83", true},
      {65001, "D:\\\xFF", "D:\\\xFE", false},
  };
  for (const auto& c : cases) {
    const WinPath paths(c.code_page);
    EXPECT_EQ(paths.Same(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(paths.Key(c.a) == paths.Key(c.b), c.same) << c.a << " / " << c.b;
  }
}

TEST(WinPath, UnderStopsAtFolderBoundaries) {
  const WinPath sjis(932);
  const struct {
    const char* path;
    const char* folder;
    std::optional<size_t> rest;
  } cases[] = {
      {"D:\\" SO "\\a.001", "D:\\" SO, 6},
      {"D:\\" SO "\\a.001", "d:\\" SO "\\", 6},
      {"D:\\" SO "\\x\\a.001", "D:\\" SO, 6},
      {"D:\\" SO "\\a.001", "D:\\", 3},
      {"D:\\Media\\a.001", "d:\\media", 9},
      {"D:\\" SO "\\a.001", "D:\\" SO "\\a.001", std::nullopt},
      {"D:\\" SO "\xCC\xDE\xC4\\a.001", "D:\\" SO, std::nullopt},  // ソﾌﾞﾄ: another folder
      {"D:\\" SO HYO "\\a.001", "D:\\" SO, std::nullopt},
      {"D:\\media2\\a.001", "D:\\media", std::nullopt},
      {"D:\\" DI "\\a.001", "D:\\" A_KANA, std::nullopt},
      {"D:\\a.001", "", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(sjis.Under(c.path, c.folder), c.rest) << c.path << " in " << c.folder;
}

TEST(WinPath, ReportsAreUtf8AndMarkWhatCannotBeShown) {
  const struct {
    int code_page;
    const char* path;
    const char* utf8;
    bool lossy;
  } cases[] = {
      {932, "D:\\x\\" SO, "D:\\x\\\xE3\x82\xBD", false},
      {1252, "D:\\Caf\xE9", "D:\\Caf\xC3\xA9", false},
      {932, "D:\\" SO "\\a\x83", "D:\\\xE3\x82\xBD\\a\xEF\xBF\xBD", true},
      {65001, "D:\\\xE3\x82\xBD\xFF\\a", "D:\\\xE3\x82\xBD\xEF\xBF\xBD\\a", true},
      {65001, "D:\\\xC0\xAF", "D:\\\xEF\xBF\xBD\xEF\xBF\xBD", true},  // an overlong '/'
  };
  for (const auto& c : cases) {
    bool lossy = !c.lossy;
    EXPECT_EQ(WinPath(c.code_page).ToUtf8(c.path, &lossy), c.utf8) << c.path;
    EXPECT_EQ(lossy, c.lossy) << c.path;
  }
  EXPECT_EQ(HexBytes("D:\\" SO), "443a5c835c");
}

}  // namespace
}  // namespace mendora
