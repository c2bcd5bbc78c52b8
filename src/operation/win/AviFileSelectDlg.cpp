#include "operation/win/AviFileSelectDlg.h"

#include <dlgs.h>

#include "common/ErrorTable.h"
#include "common/Texts.h"
#include "common/win/ErrorDlg.h"
#include "common/win/ShellUi.h"
#include "operation/SelectionRun.h"
#include "operation/win/FileOperation.h"
#include "platform/fs.h"
#include "platform/win32/dialog.h"
#include "platform/win_path.h"
#include "refavi/DvFileProbe.h"

namespace mendora::win {

namespace {
constexpr int kSelectSettings = SETTING_DIRECTORY | SETTING_FILTER;

unsigned ModeWord(OperationMode mode) {
  switch (mode) {
    case Fix: return IDS_MODE_FIX;
    case Move: return IDS_MODE_MOVE;
    case Export: return IDS_MODE_EXPORT;
    default: return IDS_MODE_COPY;
  }
}
}  // namespace

std::string SelectionFolder(const std::vector<std::string>& paths) {
  if (paths.empty()) return {};
  return WinPath().Folder(paths.front());
}

CAviFileSelectDlg::CAviFileSelectDlg(OperationMode mode, BOOL open_file, const char* default_ext,
                                     const char* file_name, DWORD flags, const char* filter, HWND parent)
    : FileDialog(open_file != FALSE, default_ext != nullptr ? default_ext : "", file_name != nullptr ? file_name : "",
                 flags, filter != nullptr ? filter : "", parent),
      mode_(mode),
      fs_(SystemFileSystem()),
      settings_(OpenUserSettingsStore()),
      messages_(std::make_unique<MessageBoxSink>()),
      common_(*settings_, fs_, messages_.get()) {
  common_.LoadSettings(kSelectSettings, &initial_folder_, &filter_index_, nullptr, nullptr);
  SetBufferSize(kSelectionSize);
  caption_ = FormatString1(LoadText(IDS_SELECT_CAPTION), LoadText(ModeWord(mode)));
  if (!fs_.SetCurrentDir(initial_folder_)) initial_folder_ = "C:\\";

  OPENFILENAMEA& ofn = this->ofn();
  // The structure without the fields added after Windows 2000, at this
  // build's size (76 bytes in a 32-bit program).
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.lpstrInitialDir = initial_folder_.c_str();
  ofn.lpstrTitle = caption_.c_str();
  ofn.Flags = (flags & ~static_cast<DWORD>(OFN_ENABLESIZING)) | OFN_EXPLORER | OFN_FILEMUSTEXIST |
              OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  ofn.nFilterIndex = static_cast<DWORD>(filter_index_ <= 0 ? 1 : filter_index_);
}

bool CAviFileSelectDlg::OnFileNameOk() {
  // Dialogs opened from here (errors, progress, the operation's questions)
  // belong to the file dialog.
  ModalWindowScope scope(explorer());
  int filter = static_cast<int>(ofn().nFilterIndex);
  const LRESULT shown = SendDlgItemMessageA(explorer(), cmb1, CB_GETCURSEL, 0, 0);
  if (shown != CB_ERR) filter = static_cast<int>(shown) + 1;

  const int code = CollectSelection(Paths(), filter);
  if (code != RC_SELECT_OK) {
    ShowError(code);
    selected_.clear();
    return false;
  }
  common_.SaveSettings(kSelectSettings, initial_folder_, filter_index_, 0, 0);
  RunOperation();
  return true;
}

int CAviFileSelectDlg::CollectSelection(const std::vector<std::string>& paths, int filter_index) {
  selected_.clear();
  if (paths.empty()) return ERR_NO_SELECTION;
  // The same check as every other way into a run (SelectionRun.h).
  std::string refused;
  if (const int status = ProbeSelection(fs_, paths, &refused); status != kDvProbeIsDv) return status;
  selected_ = paths;
  if (const std::string folder = SelectionFolder(paths); !folder.empty()) initial_folder_ = folder;
  filter_index_ = filter_index;
  return RC_SELECT_OK;
}

void CAviFileSelectDlg::RunOperation() { RunOperationOn(mode_, selected_, fs_, *settings_); }

}  // namespace mendora::win
