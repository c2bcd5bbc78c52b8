#include <gtest/gtest.h>

#include "operation/FileNames.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

TEST(FileNames, UniqueMarkerGoesBeforeTheLastDotOfTheWholePath) {
  EXPECT_EQ(UniqueCandidate("E:\\dst\\take1.001", 1), "E:\\dst\\take1~001.001");
  EXPECT_EQ(UniqueCandidate("E:\\dst.v2\\take1", 2), "E:\\dst~002.v2\\take1");
  EXPECT_EQ(UniqueCandidate("take1", 3), "~003take1");
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
