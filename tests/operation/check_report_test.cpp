// The check report window's rows: the files that need attention first, and
// which rows a double-click fixes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Texts.h"
#include "operation/CheckReport.h"

namespace mendora {
namespace {

std::vector<FileCheck> Archive() {
  return {
      {"C:\\arch\\whole.avi", CheckStatus::kOk, "", {{"D:\\a.001", LinkStatus::kOk, 4, ""}}},
      {"C:\\arch\\broken.avi",
       CheckStatus::kBroken,
       "",
       {{"D:\\a.001", LinkStatus::kOk, 1, ""},
        {"D:\\gone.001", LinkStatus::kMissing, 2, ""},
        {"D:\\pal.001", LinkStatus::kMismatch, 1, "has a frame of 144000 bytes at offset 0, not 120000"}}},
      {"C:\\arch\\plain.avi", CheckStatus::kSelfContained, "", {}},
      {"C:\\arch\\cut.avi", CheckStatus::kUnreadable, "truncated", {}},
  };
}

std::vector<std::string> Shown(const CheckReport& report) {
  std::vector<std::string> rows;
  for (const CheckRow& row : report.rows())
    rows.push_back(row.file + " | " + row.link + " | " + LoadText(row.status) + " | " + row.frames);
  return rows;
}

TEST(CheckReport, BrokenFilesComeFirstWithTheirFailingLinksOnTop) {
  CheckReport report(Archive());
  EXPECT_EQ(Shown(report), (std::vector<std::string>{
                               "C:\\arch\\broken.avi | D:\\gone.001 | missing | 2",
                               "C:\\arch\\broken.avi | D:\\pal.001 | mismatch | 1",
                               "C:\\arch\\broken.avi | D:\\a.001 | ok | 1",
                               "C:\\arch\\cut.avi | truncated | unreadable | ",
                               "C:\\arch\\whole.avi | D:\\a.001 | ok | 4",
                               "C:\\arch\\plain.avi |  | self-contained | ",
                           }));
  // The CSV keeps the order of the check.
  EXPECT_EQ(report.Csv().substr(0, report.Csv().find("\r\n", 45) + 2),
            "file,status,reason,link,link status,frames\r\nC:\\arch\\whole.avi,ok,,D:\\a.001,ok,4\r\n");
}

TEST(CheckReport, OnlyTheRowsOfABrokenFileStartAFixAndAFixedFileMovesDown) {
  CheckReport report(Archive());
  const char* targets[] = {"C:\\arch\\broken.avi", "C:\\arch\\broken.avi", "C:\\arch\\broken.avi", "", "", "", ""};
  for (size_t row = 0; row < 7; ++row) EXPECT_EQ(report.FixTarget(row), targets[row]) << row;

  report.Replace({"C:\\arch\\broken.avi", CheckStatus::kOk, "",
                  {{"D:\\a.001", LinkStatus::kOk, 1, ""}, {"E:\\gone.001", LinkStatus::kOk, 2, ""},
                   {"E:\\pal.001", LinkStatus::kOk, 1, ""}}});
  EXPECT_EQ(Shown(report), (std::vector<std::string>{
                               "C:\\arch\\cut.avi | truncated | unreadable | ",
                               "C:\\arch\\whole.avi | D:\\a.001 | ok | 4",
                               "C:\\arch\\broken.avi | D:\\a.001 | ok | 1",
                               "C:\\arch\\broken.avi | E:\\gone.001 | ok | 2",
                               "C:\\arch\\broken.avi | E:\\pal.001 | ok | 1",
                               "C:\\arch\\plain.avi |  | self-contained | ",
                           }));
  for (size_t row = 0; row < 6; ++row) EXPECT_EQ(report.FixTarget(row), "") << row;
}

}  // namespace
}  // namespace mendora
