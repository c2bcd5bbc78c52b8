#pragma once
// The manual locate dialog without its window: the system's open-file
// dialog, extended with the name of the missing file. It accepts only a DV
// file that holds the frames of the missing link (the content check); the
// accepted path becomes the missing file's replacement and its folder the
// remembered Directory setting.
#include <string>

#include "search/SearchUi.h"

namespace mendora {

class ManualLocate {
 public:
  // The file types of the open-file dialog and its title argument as the
  // search passes them.
  static constexpr const char kFilter[] = "Avi Files, Data Files (*.avi; *.0?\?)|*.avi; *.0?\?|All Files (*.*)|*.*||";
  static constexpr const char kPointTitle[] = "Point Missing File";
  // The file-name box shows this when the folder does not hold the file.
  static constexpr const char kAviPattern[] = "*.avi";
  // status() of a DV file refused by the content check: the message box
  // with not_the_frames_text() is shown instead of the error dialog.
  static constexpr int kNotTheFrames = -1;

  // Reads Directory and Filter. `found_path` and `found_flag` belong to the
  // caller and are written only when a file is accepted.
  ManualLocate(const std::string& avi_name, const std::string& missing_name, std::string* found_path,
                 int* found_flag, SearchServices services);

  // The missing link as recorded, whose frames a chosen file must hold
  // (with the content check of the services). Without it only the DV check
  // applies.
  void set_missing_link(const std::string& link) { missing_link_ = link; }
  const std::string& missing_link() const { return missing_link_; }

  // Runs the dialog through `ui` until a file is accepted (IDOK) or the user
  // cancels (IDCANCEL). A refused choice shows the error dialog (or, refused
  // by the content check, the message) and asks again.
  int DoModal(SearchUi& ui);

  // The folder the user opens: the text for the file-name box, the missing
  // name when that folder holds it as a DV file, else "*.avi".
  std::string OnFolderChange(const std::string& shown_folder);
  // The file the user chose, with the file type selected. True when it is
  // accepted; otherwise status() holds the code to show (289 or 290, or
  // kNotTheFrames).
  bool OnFileNameOK(const std::string& chosen_path, int filter_index);

  const std::string& title() const { return title_; }    // IDS_SPECIFY_TITLE
  const std::string& prompt() const { return prompt_; }  // IDS_SPECIFY_PROMPT
  const std::string& missing_name() const { return missing_name_; }
  const std::string& initial_folder() const { return initial_folder_; }
  int filter_index() const { return filter_index_; }
  // The file-name box at opening: the missing name when the initial folder
  // holds it as a DV file, else empty.
  const std::string& file_name() const { return file_name_; }
  int status() const { return status_; }
  // After kNotTheFrames: IDS_NOT_THE_FRAMES with the chosen path, and why.
  const std::string& not_the_frames_text() const { return not_the_frames_; }
  const std::string& refusal_reason() const { return refusal_reason_; }

 private:
  bool HoldsDvFile(const std::string& path);

  SearchServices services_;
  std::string avi_name_;
  std::string missing_name_;
  std::string missing_link_;
  std::string not_the_frames_;
  std::string refusal_reason_;
  std::string* found_path_;
  int* found_flag_;
  std::string title_;
  std::string prompt_;
  std::string initial_folder_;
  int filter_index_ = 1;
  std::string file_name_;
  int status_ = 0;
  bool accepted_ = false;  // OnFileNameOK took a file
};

}  // namespace mendora
