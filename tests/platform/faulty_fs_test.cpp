#include <gtest/gtest.h>

#include "platform/faulty_fs.h"
#include "platform/last_error.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

TEST(FaultyFileSystem, FailsTheNthCallOfOneKindWithItsError) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  const std::string a = drives.Path('D', "a"), b = drives.Path('D', "b"), c = drives.Path('D', "c");
  drives.WriteFile(a, "1");

  faulty.FailNth(FaultKind::kRename, 1, kErrorAccessDenied);
  EXPECT_TRUE(faulty.Rename(a, b, false));
  EXPECT_FALSE(faulty.Rename(b, c, false));
  EXPECT_EQ(GetLastSystemError(), kErrorAccessDenied);
  EXPECT_TRUE(faulty.Fired());
  EXPECT_TRUE(drives.Exists(b));  // the failed call touched nothing
  EXPECT_TRUE(faulty.Rename(b, c, false));
  EXPECT_EQ(faulty.Calls(FaultKind::kRename), 3);
  EXPECT_EQ(faulty.Calls(FaultKind::kDelete), 0);
}

TEST(FaultyFileSystem, FailsWritesOfOpenFilesAndCanStayFailing) {
  test::TestDrives drives;
  FaultyFileSystem faulty(drives.fs());
  faulty.FailNth(FaultKind::kWrite, 2, kErrorDiskFull, /*sticky=*/true);
  auto file = faulty.Open(drives.Path('C', "out"), OpenMode::kCreateWrite);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Write("ab", 2), 2u);
  EXPECT_EQ(file->Write("cd", 2), 2u);
  EXPECT_EQ(file->Write("ef", 2), 0u);
  EXPECT_EQ(GetLastSystemError(), kErrorDiskFull);
  EXPECT_EQ(file->Write("gh", 2), 0u);
  file->Close();
  EXPECT_EQ(drives.ReadFile(drives.Path('C', "out")), "abcd");

  faulty.Reset();
  EXPECT_FALSE(faulty.Fired());
  faulty.FailNth(FaultKind::kCreate, 0, kErrorAccessDenied);
  EXPECT_EQ(faulty.Open(drives.Path('C', "x"), OpenMode::kCreateWrite), nullptr);
  EXPECT_NE(faulty.Open(drives.Path('C', "out"), OpenMode::kRead), nullptr);
}

}  // namespace
}  // namespace mendora
