#include <gtest/gtest.h>

#include "operation/FileNames.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

TEST(FileNames, TemporaryAndBackupAppendToTheWholeName) {
  EXPECT_EQ(TemporaryPath("D:\\clips\\take1.avi"), "D:\\clips\\take1.avi.tmp");
  EXPECT_EQ(BackupPath("D:\\clips\\take1.avi"), "D:\\clips\\take1.avi.bak");
}

TEST(FileNames, UniqueMarkerGoesBeforeTheLastDotOfTheFileName) {
  EXPECT_EQ(UniqueCandidate("E:\\dst\\take1.001", 1), "E:\\dst\\take1~001.001");
  // A dot in a folder name sent the file into a folder that does not exist.
  EXPECT_EQ(UniqueCandidate("E:\\dst.v2\\take1", 2), "E:\\dst.v2\\take1~002");
  EXPECT_EQ(UniqueCandidate("take1", 3), "take1~003");
  EXPECT_EQ(UniqueCandidate("E:\\a.b.c", 1000), "E:\\a.b~1000.c");
}

TEST(FileNames, UniqueNameSkipsExistingAndClaimedNames) {
  test::TestDrives d;
  const std::string take = d.Path('E', "dst\\take1.001");
  d.WriteFile(take, "");
  d.WriteFile(d.Path('E', "dst\\take1~001.001"), "");
  EXPECT_EQ(UniqueName(d.fs(), take), d.Path('E', "dst\\take1~002.001"));
  const std::string claimed = d.Path('E', "dst\\take1~002.001");
  EXPECT_EQ(UniqueName(d.fs(), take, [&](const std::string& p) { return p == claimed; }),
            d.Path('E', "dst\\take1~003.001"));
}

}  // namespace
}  // namespace mendora
