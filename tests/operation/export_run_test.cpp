// Export as the program runs it: the folder, each file under the progress
// display, the messages the user sees.
#include <gtest/gtest.h>

#include "common/Texts.h"
#include "operation/ExportRun.h"
#include "operation/operation_fakes.h"
#include "refavi/fixtures.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

struct Takes {
  test::TestDrives drives;
  std::string good, broken;
  Takes() {
    good = drives.Path('D', "good.avi");
    broken = drives.Path('D', "broken.avi");
    test::AviSpec recipe;
    recipe.frames = {test::FrameSpec::Ref(drives.Path('D', "good.001"), 0),
                     test::FrameSpec::Ref(drives.Path('D', "good.001"), 120008)};
    drives.WriteFile(good, test::BuildAvi(recipe));
    drives.WriteFile(drives.Path('D', "good.001"), test::BuildDataFile(2));
    recipe.frames = {test::FrameSpec::Ref(drives.Path('D', "gone.001"), 0)};
    drives.WriteFile(broken, test::BuildAvi(recipe));
  }
};

TEST(ExportRun, ExportsEachFileAndNamesTheNewOnes) {
  Takes t;
  test::ScriptedUi ui;
  ui.folder = t.drives.Path('E', "out");
  t.drives.WriteFile(t.drives.Path('E', "out\\keep"), "");
  const std::vector<std::string> written = RunExport(t.drives.fs(), ui, {t.broken, t.good});
  const std::string expected = t.drives.Path('E', "out\\good.avi");
  EXPECT_EQ(written, std::vector<std::string>{expected});
  EXPECT_TRUE(t.drives.Exists(expected));
  EXPECT_FALSE(t.drives.Exists(t.drives.Path('E', "out\\broken.avi")));
  ASSERT_EQ(ui.messages.size(), 2u);
  // The broken one: which link, and why.
  EXPECT_NE(ui.messages[0].find(t.drives.Path('D', "gone.001") + " is missing"), std::string::npos) << ui.messages[0];
  EXPECT_EQ(ui.messages[1], FormatString1(LoadText(IDS_EXPORT_DONE), expected));
  EXPECT_EQ(ui.log.front(), "browse: " + LoadText(IDS_EXPORT_FOLDER_TITLE));
}

TEST(ExportRun, NothingIsWrittenWhenTheUserGivesUp) {
  for (int cancel_at : {-2, 0, 1}) {
    SCOPED_TRACE(cancel_at);
    Takes t;
    test::ScriptedUi ui;
    if (cancel_at != -2) {
      ui.folder = t.drives.Path('E', "out");
      ui.cancel_at_report = cancel_at;
      t.drives.WriteFile(t.drives.Path('E', "out\\keep"), "");
    }
    EXPECT_TRUE(RunExport(t.drives.fs(), ui, {t.good}).empty());
    EXPECT_FALSE(t.drives.Exists(t.drives.Path('E', "out\\good.avi")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.errors.empty());
  }
}

}  // namespace
}  // namespace mendora
