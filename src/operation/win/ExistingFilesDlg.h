#pragma once
// The overwrite question of Move and Copy: names the reference AVI that
// already exists in the destination folder and asks whether to overwrite it.
// A modal frame without a title bar; OK or Cancel.
#include <string>

#include "platform/win32/dialog.h"

namespace mendora::win {

class CExistingFilesDlg : public Dialog {
 public:
  // `files` is the text listed (one path); the warning and the question
  // come from the string table.
  explicit CExistingFilesDlg(const std::string& files, HWND parent = nullptr);
  CExistingFilesDlg(const std::string& warning, const std::string& files, const std::string& question,
                    HWND parent = nullptr);

 protected:
  void DoDataExchange(DataExchange& dx) override;
  bool OnInitDialog() override;

 private:
  std::string warning_;   // IDS_FILES_EXIST
  std::string files_;
  std::string question_;  // IDS_OVERWRITE
};

}  // namespace mendora::win
