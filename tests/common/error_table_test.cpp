#include <gtest/gtest.h>

#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "platform/ui_language.h"

namespace mendora {
namespace {

std::string English(unsigned id) {
  const char* text = TableText(id, false);
  return text != nullptr ? text : "<none>";
}

struct Row {
  int code;
  const char* caption;
  const char* message;
};

TEST(ErrorTable, EveryCodeHasItsCaptionAndMessage) {
  const Row rows[] = {
      {'1', "Error", "IDS_ERR_ASD_FILENOTFOUND"},
      {'2', "Error", "No Selected Reference Avi File"},
      {'3', "Error", "Failure to set the initial directory to \"C:\\\"."},
      {'A', "Error", "Different Sizes of Destination List and Source List"},
      {'B', "Error", "Invalid List of Selected Reference Avi File"},
      {'C', "Error", "Invalid List of Source Data File"},
      {'D', "Error", "List of Destination Data File is corrupted."},
      {'E', "Error", "Data File's location is invalid"},
      {'F', "Error", "An item has been double clicked. Yet, an action (\"Move\", \"Copy\", \"Check\") has not been defined."},
      {'G', "Error", "read-only file"},
      {'H', "Error", "hidden file"},
      {'I', "Error", "system file"},
      {'J', "Error", "Failure to get the file status."},
      {'K', "Error", "Error has occurred while browsing destination folder."},
      {'L', "Error", "Failure to create a source backup."},
      {'M', "Error", "Failure to remove temporary backup file."},
      {'O', "Cancellation", "Operation Cancelled."},
      {'P', "Cancellation", "Operation Cancelled."},
      {'Q', "Cancellation", "The Reference Avi File Move Operation has been cancelled."},
      {'R', "Cancellation", "The Reference Avi File Copy Operation has been cancelled."},
      {'S', "Cancellation", "Operation Cancelled."},
      {96, "Error", "No Reference Avi File"},
      {97, "Error", "No Data Files inside the Reference File"},
      {112, "Error", "DiskFull"},
      {257, "Error", "Bad Filelist"},
      {262, "Error", "Write Failure"},
      {264, "Error", "Out of Memory."},
      {265, "Error", "Source File Open Failure."},
      {266, "Error", "Destination File Creation Failure."},
      {272, "Error", "No File"},
      {273, "Error", "File Exists"},
      {274, "Error", "File Protected"},
      {289, "Error", "File Open Failure."},
      {290, "Error", "Selection of Non-DV file"},
      {521, "Error", "The program could not start a worker thread."},
      {522, "Error",
       "Another run of Mendora is writing a temporary file of this reference AVI. Nothing was changed; try again when "
       "it has finished."},
  };
  for (const Row& row : rows) {
    const ErrorText ids = LookupError(row.code);
    EXPECT_EQ(English(ids.caption_id), row.caption) << "code " << row.code;
    EXPECT_EQ(English(ids.message_id), row.message) << "code " << row.code;
  }
}

TEST(ErrorTable, UnknownCodesGiveTheGeneralMessage) {
  for (int code : {0, 8, 64, 78, 145, 258, 259, 260, 263, 513, 519, 767, -1}) {
    const ErrorText ids = LookupError(code);
    EXPECT_EQ(English(ids.caption_id), "Error") << code;
    EXPECT_EQ(English(ids.message_id), "An Errror has occured.") << code;
  }
}

TEST(Texts, TheLoadedTableMatchesTheSource) {
  // On Windows the texts come from the string resources: they must be the
  // ones of the table, in the user's language.
  const bool japanese = UiLanguageIsJapanese();
  for (unsigned id : {1u, 2u, 42u, 207u, 301u, 316u, 501u, 541u, 3005u}) {
    EXPECT_EQ(LoadText(id), TableText(id, japanese)) << id;
  }
  EXPECT_EQ(LoadText(9999), "");
  EXPECT_EQ(TableText(9999, false), nullptr);
  EXPECT_EQ(English(301), "Finished Moving Avi File:   %1     ");
  EXPECT_EQ(English(2).find("Mendora. \nThis software"), std::string("Welcome to the ").size());
}

TEST(Texts, FormattingReplacesEveryMarker) {
  // The Retry text shows two full stops after the kind.
  const std::string kind = FormatString2(English(315), "D:\\a\\clip.avi", English(311));
  EXPECT_EQ(kind, "File   D:\\a\\clip.avi   is a read-only file.");
  EXPECT_EQ(FormatString2(English(316), "Fix", kind),
            "[Fix Failure]     File   D:\\a\\clip.avi   is a read-only file..     Would you like to retry the Fix "
            "operation?");
  EXPECT_EQ(FormatString1("%1 and %1", "x"), "x and x");
  EXPECT_EQ(FormatString2("%1|%2", "a%2", "b"), "a%2|b");  // arguments are not formatted again
  EXPECT_EQ(FormatString1("100%", "x"), "100%");
}

}  // namespace
}  // namespace mendora
