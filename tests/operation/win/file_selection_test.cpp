// The folder a selection is remembered by.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "operation/win/AviFileSelectDlg.h"

namespace mendora::win {
namespace {

TEST(FileSelection, FolderKeepsItsBackslashForOneFileOrSeveral) {
  EXPECT_EQ(SelectionFolder({"D:\\clips\\take1.avi"}), "D:\\clips\\");
  EXPECT_EQ(SelectionFolder({"D:\\clips\\a.avi", "D:\\clips\\b c.avi"}), "D:\\clips\\");
  EXPECT_EQ(SelectionFolder({"D:\\a.avi", "D:\\b.avi"}), "D:\\");
}

TEST(FileSelection, NoFolderWithoutABackslash) {
  EXPECT_EQ(SelectionFolder({}), "");
  EXPECT_EQ(SelectionFolder({"take1.avi"}), "");
}

}  // namespace
}  // namespace mendora::win
