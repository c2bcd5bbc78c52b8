// The selection in an Explorer-style open dialog's buffer, and the filter
// in the system's form.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "operation/win/AviFileSelectDlg.h"

namespace mendora {
namespace {

std::vector<std::string> Parse(const std::string& buffer, std::string* folder) {
  return ParseFileSelection(buffer.data(), buffer.size(), folder);
}

TEST(FileSelection, OneFileIsAFullPathAndItsFolder) {
  std::string folder;
  EXPECT_EQ(Parse(std::string("D:\\clips\\take1.avi\0\0", 20), &folder),
            std::vector<std::string>{"D:\\clips\\take1.avi"});
  EXPECT_EQ(folder, "D:\\clips\\");
}

TEST(FileSelection, SeveralFilesFollowTheirFolder) {
  std::string folder;
  EXPECT_EQ(Parse(std::string("D:\\clips\0a.avi\0b c.avi\0\0", 25), &folder),
            (std::vector<std::string>{"D:\\clips\\a.avi", "D:\\clips\\b c.avi"}));
  EXPECT_EQ(folder, "D:\\clips\\");
  // A drive root already ends with its backslash.
  EXPECT_EQ(Parse(std::string("D:\\\0a.avi\0b.avi\0\0", 18), &folder),
            (std::vector<std::string>{"D:\\a.avi", "D:\\b.avi"}));
  EXPECT_EQ(folder, "D:\\");
}

TEST(FileSelection, NothingUsableGivesNoPaths) {
  std::string folder = "x";
  EXPECT_TRUE(Parse(std::string("\0\0", 2), &folder).empty());
  EXPECT_EQ(folder, "");
  // A name that runs to the end of the buffer without its NUL is not taken.
  EXPECT_TRUE(Parse("D:\\clips\\take1.avi", &folder).empty());
  EXPECT_EQ(Parse(std::string("D:\\clips\0a.avi\0b.av", 19), &folder),
            (std::vector<std::string>{"D:\\clips\\a.avi"}));
}

TEST(FileSelection, FilterInTheSystemsForm) {
  const std::string filter = SystemFilter("Avi Files (*.avi)|*.avi|All Files (*.*)|*.*||");
  std::vector<std::string> parts;
  for (size_t i = 0; i < filter.size() && filter[i] != '\0'; i = filter.find('\0', i) + 1)
    parts.push_back(filter.c_str() + i);
  EXPECT_EQ(parts, (std::vector<std::string>{"Avi Files (*.avi)", "*.avi", "All Files (*.*)", "*.*"}));
  ASSERT_GE(filter.size(), 2u);
  EXPECT_EQ(filter.substr(filter.size() - 2), std::string(2, '\0'));
}

}  // namespace
}  // namespace mendora
