#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "platform/posix/settings_file.h"

namespace mendora {
namespace {

const std::string kKey = std::string("HKEY_CURRENT_USER\\") + kSettingsKeyPath;

TEST(SettingsFile, KeepsEveryByteThroughARoundTrip) {
  SettingsFileContents contents;
  contents[kKey]["Directory"] = {"C:\\clips \"x\"\\", true};
  contents[kKey]["PrefSearchDir"] = {std::string("00000000000000000000000C00\0", 27), true};
  contents[kKey]["Odd"] = {std::string("\x01\x7f\xe6\x97\xa5", 5), true};
  contents[kKey]["Type"] = {"dword:00000001", false};
  const std::string text = FormatSettingsFile(contents);
  const SettingsFileContents back = ParseSettingsFile(text);
  ASSERT_EQ(back.count(kKey), 1u);
  const auto& values = back.at(kKey);
  EXPECT_EQ(values.at("Directory").data, "C:\\clips \"x\"\\");
  EXPECT_EQ(values.at("PrefSearchDir").data.size(), 27u);
  EXPECT_EQ(values.at("Odd").data, std::string("\x01\x7f\xe6\x97\xa5", 5));
  EXPECT_FALSE(values.at("Type").is_string);
}

TEST(SettingsFile, SkipsWhatItCannotRead) {
  const auto contents = ParseSettingsFile(
      "\"Orphan\"=\"before any key\"\n[" + kKey + "]\r\n\"Good\"=\"1\"\r\n\"Bad\"=\"unterminated\n"
      "\"Escape\"=\"\\q\"\n\"Trailing\"=\"1\" junk\n[broken\n\"AfterBroken\"=\"x\"\n");
  ASSERT_EQ(contents.count(kKey), 1u);
  EXPECT_EQ(contents.at(kKey).size(), 1u);
  EXPECT_EQ(contents.at(kKey).at("Good").data, "1");
}

TEST(SettingsFile, StoreReadsWhatItWroteAndHonoursCapacity) {
  const std::string folder = ::testing::TempDir() + "mendora-settings-" + std::to_string(::getpid());
  const std::string path = folder + "/s.reg";
  SettingsFileStore store(path);
  ASSERT_TRUE(store.OpenKey());
  ASSERT_TRUE(store.Set("PrefBackupFlag", "1"));
  ASSERT_TRUE(store.Set("Filter", "123456789012"));
  std::string value;
  EXPECT_EQ(store.Query("PrefBackupFlag", 2, &value), ValueRead::kOk);
  EXPECT_EQ(value, "1");
  EXPECT_EQ(store.Query("Filter", 10, &value), ValueRead::kTooLarge);
  EXPECT_EQ(store.Query("Directory", 260, &value), ValueRead::kMissing);
  std::remove(path.c_str());
  std::remove(folder.c_str());  // the store made the folder
}

}  // namespace
}  // namespace mendora
