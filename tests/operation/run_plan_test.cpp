// The plan of a run: the names it chooses once, which the run, the dry run,
// the undo and the recovery all follow.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/Types.h"
#include "operation/RunPlan.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// What becomes of the old reference AVI, for every way a run can end up
// with one: the names are the ones a recovery looks at after a crash.
TEST(RunPlan, TheSourceFateNamesTheBackupAndTheAside) {
  const struct {
    int mode;
    bool backup, output_is_source, replaces;
    const char* backup_name;  // "" when none
    const char* aside;
    bool removes;
  } cases[] = {
      {Copy, false, false, false, "", "", false},
      {Copy, true, false, true, "", "", false},  // a Copy keeps its source without a backup of it
      {Copy, false, true, false, "D:\\p\\t.avi.bak", "D:\\p\\t.avi.bak", false},  // into its own folder
      {Move, true, false, false, "D:\\p\\t.avi.bak", "D:\\p\\t.avi.bak", false},
      {Move, false, false, false, "", "", true},
      {Move, false, false, true, "", "D:\\p\\t.avi.tmp", true},
      {Move, false, true, false, "D:\\p\\t.avi.bak", "D:\\p\\t.avi.bak", false},
  };
  test::TestDrives d;
  for (const auto& c : cases) {
    RunPlan plan;
    plan.mode = c.mode;
    plan.avi = "D:\\p\\t.avi";
    plan.replaces_output = c.replaces;
    ASSERT_TRUE(SettleDestination(d.fs(), c.backup, c.output_is_source, &plan));
    const std::string what = std::string(c.mode == Move ? "move" : "copy") + " backup " + (c.backup ? "1" : "0") +
                             (c.output_is_source ? " onto itself" : "") + (c.replaces ? " replacing" : "");
    EXPECT_EQ(plan.Backup(), c.backup_name) << what;
    EXPECT_EQ(plan.OlderBackup(), *c.backup_name ? std::string(c.backup_name) + ".tmp" : "") << what;
    EXPECT_EQ(plan.Aside(), c.aside) << what;
    EXPECT_EQ(plan.RemovesSource(), c.removes) << what;
  }
  const RunPlan fix = PlanFix("D:\\p\\t.avi", {"D:\\a.001", "D:\\b.001"}, {0, 1}, {"F:\\b.001"}, true);
  EXPECT_EQ(fix.output, "D:\\p\\t.avi");
  EXPECT_EQ(fix.temporary, "D:\\p\\t.avi.tmp");
  EXPECT_EQ(fix.Backup(), "D:\\p\\t.avi.bak");
  EXPECT_FALSE(fix.RemovesSource());
  EXPECT_EQ(fix.links, (Pairs{{"D:\\a.001", "D:\\a.001"}, {"D:\\b.001", "F:\\b.001"}}));
  EXPECT_EQ(PlanFix("D:\\p\\t.avi", {}, {}, {}, false).Backup(), "");
}

// Each data file goes once, under its own name or the first collision form
// that is free on the disk and in the run, names compared as Windows does.
TEST(RunPlan, ACarryGivesEachDataFileOneFreeTarget) {
  test::TestDrives d;
  const std::string dst = d.Path('E', "dst");
  d.WriteFile(dst + "\\a.001", "someone else's");
  d.WriteFile(dst + "\\here.001", "already there");
  const std::string a1 = d.Path('D', "one\\a.001"), a2 = d.Path('D', "two\\a.001"), b = d.Path('D', "b.001");
  const std::string b2 = d.Path('D', "x\\B.001");
  const std::string found = d.Path('C', "found\\c.001");
  // The data file in the destination is recorded with its folder in
  // another case; `b` is named twice, and `b2` differs from it in case
  // only; the missing `c` was found elsewhere.
  const std::string here = d.Path('E', "DST\\here.001");
  const std::vector<std::string> links = {a1, a2, b, d.Path('D', "lost\\c.001"), here, b, b2};
  const std::vector<int> missing = {0, 0, 0, 1, 0, 0, 0};
  RunPlan plan;
  ASSERT_TRUE(PlanCarry(d.fs(), Move, d.Path('D', "p\\t.avi"), dst, links, missing, {found}, &plan));
  EXPECT_EQ(plan.output, dst + "\\t.avi");
  EXPECT_EQ(plan.temporary, dst + "\\t.avi.tmp");
  EXPECT_EQ(plan.pairs, (Pairs{{a1, dst + "\\a~001.001"},
                               {a2, dst + "\\a~002.001"},
                               {b, dst + "\\b.001"},
                               {found, dst + "\\c.001"},
                               {b2, dst + "\\B~001.001"}}));
  EXPECT_EQ(plan.links, (Pairs{{a1, dst + "\\a~001.001"},
                               {a2, dst + "\\a~002.001"},
                               {b, dst + "\\b.001"},
                               {links[3], dst + "\\c.001"},
                               {here, dst + "\\here.001"},  // written as the user named the folder
                               {b, dst + "\\b.001"},
                               {b2, dst + "\\B~001.001"}}));
  std::vector<std::string> old_paths, new_paths;
  plan.ChangedLinks(&old_paths, &new_paths);
  EXPECT_EQ(old_paths, (std::vector<std::string>{a1, a2, b, links[3], here, b, b2}));

  // A target that appeared after planning gets the next free name, in the
  // carry and in both links that go there; b~001 is taken by B~001 of the run.
  d.WriteFile(dst + "\\b.001", "arrived meanwhile");
  ASSERT_TRUE(SettleDestination(d.fs(), false, false, &plan));
  EXPECT_EQ(plan.pairs[2].second, dst + "\\b~002.001");
  EXPECT_EQ(plan.links[2].second, dst + "\\b~002.001");
  EXPECT_EQ(plan.links[5].second, dst + "\\b~002.001");
  EXPECT_EQ(plan.source, SourceFate::kDelete);

  // A name too long for Windows is no plan.
  EXPECT_FALSE(PlanCarry(d.fs(), Copy, d.Path('D', "p\\t.avi"), dst + "\\" + std::string(250, 'x'), links,
                         missing, {found}, &plan));
}

}  // namespace
}  // namespace mendora
