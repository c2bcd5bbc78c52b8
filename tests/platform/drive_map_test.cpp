#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/drive_map.h"

namespace mendora {
namespace {

namespace fs = std::filesystem;

class DriveMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("drivemap-" + std::to_string(::getpid()));
    fs::create_directories(root / "d");
    map.Set('D', (root / "d").string());
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
  DriveMap map;
};

TEST_F(DriveMapTest, MappedDriveBecomesItsFolder) {
  EXPECT_EQ(map.ToNative("D:\\clips\\a.001"), (root / "d").string() + "/clips/a.001");
  EXPECT_EQ(map.ToNative("d:\\clips\\\\a.001"), (root / "d").string() + "/clips/a.001");
  EXPECT_EQ(map.ToNative("D:\\"), (root / "d").string() + "/");
  EXPECT_EQ(map.ToWindows((root / "d" / "clips" / "a.001").string()), "D:\\clips\\a.001");
  EXPECT_EQ(map.ToWindows((root / "d").string()), "D:\\");
}

TEST_F(DriveMapTest, RecordedBytesAreConvertedInTheMapsCodePage) {
  // Bytes as Windows writes them in each code page, and the native name.
  struct Case {
    int code_page;
    const char* recorded;
    const char* native;
  } cases[] = {
      {932, "D:\\\x95\x5C\\a.001", "/\xE8\xA1\xA8/a.001"},  // 表: its second byte is a backslash
      {932, "D:\\\x89\x66\x91\x9c\\a.001", "/\xE6\x98\xA0\xE5\x83\x8F/a.001"},  // 映像
      {1252, "D:\\caf\xE9\\a.001", "/caf\xC3\xA9/a.001"},
      {65001, "D:\\caf\xC3\xA9\\a.001", "/caf\xC3\xA9/a.001"},
  };
  for (const Case& c : cases) {
    map.set_code_page(c.code_page);
    EXPECT_EQ(map.ToNative(c.recorded), (root / "d").string() + c.native) << c.code_page;
    EXPECT_EQ(map.ToWindows((root / "d").string() + c.native), c.recorded) << c.code_page;
  }
  // Bytes that are no text of the page, and a name the page cannot hold.
  map.set_code_page(932);
  EXPECT_EQ(map.ToNative("D:\\\x81"), std::nullopt);
  EXPECT_EQ(map.ToWindows((root / "d").string() + "/\xF0\x9F\x98\x80"), std::nullopt);
  EXPECT_EQ(map.code_page(), 932);
  map.Parse("codepage=1252");
  EXPECT_EQ(map.code_page(), 1252);
  map.Parse("codepage=437");  // unsupported: ignored
  EXPECT_EQ(map.code_page(), 1252);
}

TEST_F(DriveMapTest, UnmappedOrMissingDriveDoesNotExist) {
  EXPECT_EQ(map.ToNative("F:\\clips\\a.001"), std::nullopt);
  EXPECT_EQ(map.ToNative("D:relative"), std::nullopt);
  map.Set('G', (root / "absent").string());
  EXPECT_EQ(map.Present(), 1u << ('D' - 'A'));
}

TEST_F(DriveMapTest, PathWithoutLetterIsNative) {
  EXPECT_EQ(map.ToNative("/srv/media/a.001"), "/srv/media/a.001");
  EXPECT_EQ(map.ToWindows("/srv/media/a.001"), std::nullopt);
  map.Set('Z', "/");
  EXPECT_EQ(map.ToWindows("/srv/media/a.001"), "Z:\\srv\\media\\a.001");
  // The longest match wins: a file under D's folder is on D, not Z.
  EXPECT_EQ(map.ToWindows((root / "d" / "x").string()), "D:\\x");
  // A folder that merely starts with D's name is not inside it.
  std::string sibling = (root / "dd").string();
  for (char& c : sibling)
    if (c == '/') c = '\\';
  EXPECT_EQ(map.ToWindows((root / "dd").string()), "Z:" + sibling);
}

TEST(DriveMapParse, TakesWellFormedEntriesOnly) {
  DriveMap map;
  EXPECT_EQ(map.Parse("C=/tmp/c;d:=/tmp/d\n# comment\nbogus\n1=/x\nE=relative\nF=\n"), 3);
  EXPECT_EQ(map.Folder('C'), "/tmp/c");
  EXPECT_EQ(map.Folder('D'), "/tmp/d");
  EXPECT_EQ(map.Folder('E'), "");
  EXPECT_EQ(map.Folder('F'), "");
}

TEST(DriveMapEnvironment, VariableOverridesFileAndDefaultsToZ) {
  const fs::path file = fs::temp_directory_path() / ("drives-" + std::to_string(::getpid()));
  std::ofstream(file) << "C=/from/file\nD=/from/file/d\n";
  ::setenv("MENDORA_DRIVES_FILE", file.c_str(), 1);
  ::setenv("MENDORA_DRIVES", "D=/from/variable", 1);
  DriveMap map = DriveMap::FromEnvironment();
  EXPECT_EQ(map.Folder('C'), "/from/file");
  EXPECT_EQ(map.Folder('D'), "/from/variable");
  EXPECT_EQ(map.Folder('Z'), "");
  ::setenv("MENDORA_DRIVES_FILE", "/nonexistent/drives", 1);
  ::unsetenv("MENDORA_DRIVES");
  EXPECT_EQ(DriveMap::FromEnvironment().Folder('Z'), "/");
  ::unsetenv("MENDORA_DRIVES_FILE");
  fs::remove(file);
}

}  // namespace
}  // namespace mendora
