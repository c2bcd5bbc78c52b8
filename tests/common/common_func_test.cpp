// The settings, against memory and against the user's real store: the
// registry under Wine, the settings file natively.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "common/CommonFunc.h"
#include "common/Types.h"
#include "platform/last_error.h"
#include "platform/settings_store.h"
#include "support/memory_settings.h"
#include "support/test_drives.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <filesystem>

#include "platform/posix/settings_file.h"
#endif

namespace mendora {
namespace {

// A store plus a way to plant values that the program itself never writes.
class StoreUnderTest {
 public:
  virtual ~StoreUnderTest() = default;
  virtual SettingsStore& store() = 0;
  virtual void PlantNonString(const std::string& name) = 0;
  void Plant(const std::string& name, const std::string& bytes) {
    store().OpenKey();
    store().Set(name, bytes);
  }
  // The bytes as stored.
  std::string Bytes(const std::string& name) {
    std::string data;
    store().OpenKey();
    return store().Query(name, 4096, &data) == ValueRead::kOk ? data : "<unreadable>";
  }
  // The stored text; the registry's A functions add a terminator to strings
  // written without one.
  std::string Raw(const std::string& name) {
    const std::string data = Bytes(name);
    return data.substr(0, data.find('\0'));
  }
};

class MemoryStore : public StoreUnderTest {
 public:
  SettingsStore& store() override { return store_; }
  void PlantNonString(const std::string& name) override { store_.values[name] = {"\x01\0\0\0", false}; }

 private:
  MemorySettingsStore store_;
};

#ifdef _WIN32
class UserStore : public StoreUnderTest {
 public:
  UserStore() {
    Clear();
    store_ = OpenUserSettingsStore();
  }
  ~UserStore() override { Clear(); }
  SettingsStore& store() override { return *store_; }
  void PlantNonString(const std::string& name) override {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    RegCloseKey(key);
  }

 private:
  static void Clear() { RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath); }
  std::unique_ptr<SettingsStore> store_;
};
#else
class UserStore : public StoreUnderTest {
 public:
  UserStore() {
    path_ = ::testing::TempDir() + "mendora-user-" + std::to_string(::getpid()) + "/settings.reg";
    ::setenv("MENDORA_SETTINGS_FILE", path_.c_str(), 1);
    store_ = OpenUserSettingsStore();
  }
  ~UserStore() override {
    ::unsetenv("MENDORA_SETTINGS_FILE");
    std::filesystem::remove_all(std::filesystem::path(path_).parent_path());
  }
  SettingsStore& store() override { return *store_; }
  void PlantNonString(const std::string& name) override {
    const std::string key = std::string("HKEY_CURRENT_USER\\") + kSettingsKeyPath;
    SettingsFileContents contents;
    contents[key][name] = {"dword:00000001", false};
    std::FILE* f = std::fopen(path_.c_str(), "w");
    ASSERT_NE(f, nullptr);
    const std::string text = FormatSettingsFile(contents);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }

 private:
  std::string path_;
  std::unique_ptr<SettingsStore> store_;
};
#endif

enum class StoreKind { kMemory, kUser };

class SettingsTest : public ::testing::TestWithParam<StoreKind> {
 protected:
  SettingsTest()
      : under_test(GetParam() == StoreKind::kMemory ? std::unique_ptr<StoreUnderTest>(new MemoryStore)
                                                     : std::unique_ptr<StoreUnderTest>(new UserStore)),
        settings(under_test->store(), drives.fs()) {}

  std::string Raw(const char* name) { return under_test->Raw(name); }

  test::TestDrives drives;
  std::unique_ptr<StoreUnderTest> under_test;
  CommonFunc settings;
};

TEST_P(SettingsTest, FreshProfileGetsTheDefaults) {
  std::string folder;
  int filter = -5, backup = -5;
  uint32_t mask = 0;
  settings.LoadSettings(SETTING_DIRECTORY | SETTING_FILTER | SETTING_SEARCH_DRIVES | SETTING_BACKUP, &folder, &filter,
                        &mask, &backup);
  EXPECT_EQ(folder, "C:\\");
  EXPECT_EQ(filter, 1);
  EXPECT_EQ(mask, 1u << 2);
  EXPECT_EQ(backup, 1);
  EXPECT_EQ(Raw("Directory"), "C:\\");
  EXPECT_EQ(Raw("Filter"), "1");
  // The default drive string is stored with its terminator.
  EXPECT_EQ(under_test->Bytes("PrefSearchDir"), std::string("00000000000000000000000C00\0", 27));
  EXPECT_EQ(Raw("PrefBackupFlag"), "1");
}

TEST_P(SettingsTest, NoDriveChosenMeansTheDriveOfTheFolder) {
  const std::string video = drives.Path('E', "video\\");
  drives.fs().CreateDir(drives.Path('E', "video"));
  under_test->Plant("Directory", video);
  under_test->Plant("PrefSearchDir", std::string(26, '0'));
  uint32_t mask = 0;
  settings.LoadSettings(SETTING_SEARCH_DRIVES, nullptr, nullptr, &mask, nullptr);
  EXPECT_EQ(mask, 1u << ('E' - 'A'));
  // Loading the folder made it the current folder.
  EXPECT_EQ(drives.fs().GetCurrentDir() + "\\", video);
  EXPECT_EQ(Raw("Directory"), video);
}

TEST_P(SettingsTest, DriveStringPutsAAtTheRightEnd) {
  settings.SaveSettings(SETTING_SEARCH_DRIVES, "", 0, 1u | (1u << 25), 0);
  EXPECT_EQ(Raw("PrefSearchDir"), "Z000000000000000000000000A");
  under_test->Plant("PrefSearchDir", "0000000000000000000000xC00");
  uint32_t mask = 0;
  settings.LoadSettings(SETTING_SEARCH_DRIVES, nullptr, nullptr, &mask, nullptr);
  EXPECT_EQ(mask, (1u << 2) | (1u << 3));  // any character but '0' selects
}

TEST_P(SettingsTest, FilterParsesLikePercentD) {
  int filter = -5;
  under_test->Plant("Filter", "abc");
  settings.LoadSettings(SETTING_FILTER, nullptr, &filter, nullptr, nullptr);
  EXPECT_EQ(filter, 1);
  EXPECT_EQ(Raw("Filter"), "abc");  // a value that was read is not rewritten

  under_test->Plant("Filter", "0");
  settings.LoadSettings(SETTING_FILTER, nullptr, &filter, nullptr, nullptr);
  EXPECT_EQ(filter, 0);
  under_test->Plant("Filter", "-3x");
  settings.LoadSettings(SETTING_FILTER, nullptr, &filter, nullptr, nullptr);
  EXPECT_EQ(filter, -3);

  settings.SaveSettings(SETTING_FILTER | SETTING_BACKUP, "", 0, 0, -1);
  EXPECT_EQ(Raw("Filter"), "1");
  EXPECT_EQ(Raw("PrefBackupFlag"), "0");
}

TEST_P(SettingsTest, MissingFolderFallsBackToCAtOnce) {
  under_test->Plant("Directory", drives.Path('D', "gone\\"));
  std::string folder;
  settings.LoadSettings(SETTING_DIRECTORY, &folder, nullptr, nullptr, nullptr);
  EXPECT_EQ(folder, "C:\\");
  EXPECT_EQ(Raw("Directory"), "C:\\");
}

TEST_P(SettingsTest, OversizedOrForeignValuesAreReplacedByDefaults) {
  under_test->Plant("PrefBackupFlag", "100");
  under_test->Plant("Directory", std::string(300, 'x'));
  int backup = -5;
  std::string folder;
  settings.LoadSettings(SETTING_DIRECTORY | SETTING_BACKUP, &folder, nullptr, nullptr, &backup);
  EXPECT_EQ(backup, 1);
  EXPECT_EQ(Raw("PrefBackupFlag"), "1");
  EXPECT_EQ(folder, "C:\\");

  under_test->PlantNonString("Filter");
  int filter = -5;
  settings.LoadSettings(SETTING_FILTER, nullptr, &filter, nullptr, nullptr);
  EXPECT_EQ(filter, 1);
  EXPECT_EQ(Raw("Filter"), "1");
}

TEST_P(SettingsTest, SavedFolderIsWrittenUnchangedAndEntered) {
  drives.fs().CreateDir(drives.Path('D', "clips"));
  settings.SaveSettings(SETTING_DIRECTORY, drives.Path('D', "clips\\"), 0, 0, 0);
  EXPECT_EQ(Raw("Directory"), drives.Path('D', "clips\\"));
  EXPECT_EQ(drives.fs().GetCurrentDir(), drives.Path('D', "clips"));
}

INSTANTIATE_TEST_SUITE_P(Stores, SettingsTest, ::testing::Values(StoreKind::kMemory, StoreKind::kUser),
                         [](const auto& p) { return p.param == StoreKind::kMemory ? "Memory" : "User"; });

struct RecordingMessages : MessageSink {
  std::vector<std::string> shown;
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
};

TEST(ReportLastError, ShowsTheSystemTextAndCancels) {
  test::TestDrives drives;
  MemorySettingsStore store;
  RecordingMessages messages;
  CommonFunc common(store, drives.fs(), &messages);
  drives.WriteFile(drives.Path('D', "ro.avi"), "x");
  drives.fs().SetAttributes(drives.Path('D', "ro.avi"), 1);
  ASSERT_FALSE(drives.fs().Delete(drives.Path('D', "ro.avi")));
  EXPECT_EQ(common.ReportLastError(1), RC_CANCELLED);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], SystemErrorText(kErrorAccessDenied));
  EXPECT_EQ(common.ReportLastError(0), RC_CANCELLED);
  EXPECT_EQ(messages.shown.size(), 1u);
  drives.fs().SetAttributes(drives.Path('D', "ro.avi"), 0x80);
}

}  // namespace
}  // namespace mendora
