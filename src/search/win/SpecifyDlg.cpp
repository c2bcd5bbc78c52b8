#include "search/win/SpecifyDlg.h"

#include <dlgs.h>

#include "common/win/ErrorDlg.h"
#include "platform/win32/dialog.h"
#include "platform/win32/message_box.h"
#include "resources/resource.h"

namespace mendora::win {

namespace {
// Posted to the child dialog to fill the name box after a folder change.
constexpr UINT kFolderShown = WM_APP + 0x20;
}  // namespace

CSpecifyLocDlg::CSpecifyLocDlg(ManualLocate& locate, HWND parent)
    : FileDialog(true, "", locate.file_name(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                 ManualLocate::kFilter, parent),
      locate_(locate),
      title_(locate.title()),
      initial_folder_(locate.initial_folder()) {
  SetBufferSize(kFileNameSize);
  SetChildTemplate(IDD_SPECIFY_LOC);
  OPENFILENAMEA& ofn = this->ofn();
  // The structure without the fields added after Windows 2000.
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn.nFilterIndex = static_cast<DWORD>(locate.filter_index() <= 0 ? 1 : locate.filter_index());
  ofn.lpstrInitialDir = initial_folder_.c_str();
  ofn.lpstrTitle = title_.c_str();
  ofn.Flags = (ofn.Flags & ~static_cast<DWORD>(OFN_ENABLESIZING | OFN_NODEREFERENCELINKS)) | OFN_EXPLORER |
              OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
}

bool CSpecifyLocDlg::OnInitDialog() {
  SetDlgItemTextA(hwnd(), IDC_SPECIFY_PROMPT, locate_.prompt().c_str());
  SetDlgItemTextA(hwnd(), IDC_SPECIFY_NAME, locate_.missing_name().c_str());
  return true;
}

void CSpecifyLocDlg::OnFolderChange() {
  // The system dialog empties its name box after it has told us about a
  // folder opened by a typed path; fill it in once that is done.
  PostMessageA(hwnd(), kFolderShown, 0, 0);
}

bool CSpecifyLocDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  if (message != kFolderShown) return false;
  ShowNameForFolder();
  *result = 0;
  return true;
}

void CSpecifyLocDlg::ShowNameForFolder() {
  char folder[MAX_PATH] = {};
  if (SendMessageA(explorer(), CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0) return;
  const std::string text = locate_.OnFolderChange(folder);
  SendMessageA(explorer(), CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(""));
  SendMessageA(explorer(), CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(text.c_str()));
}

bool CSpecifyLocDlg::OnFileNameOk() {
  ModalWindowScope scope(explorer());
  const std::vector<std::string> paths = Paths();
  const std::string path = paths.empty() ? std::string() : paths.front();
  int filter = static_cast<int>(ofn().nFilterIndex);
  const LRESULT shown = SendDlgItemMessageA(explorer(), cmb1, CB_GETCURSEL, 0, 0);
  if (shown != CB_ERR) filter = static_cast<int>(shown) + 1;
  if (!locate_.OnFileNameOK(path, filter)) {
    // The dialog stays open for another choice.
    if (locate_.status() == ManualLocate::kNotTheFrames) AppMessageBox(locate_.not_the_frames_text(), MB_OK);
    else ShowError(locate_.status());
    return false;
  }
  chosen_path_ = path;
  chosen_filter_ = filter;
  return true;
}

}  // namespace mendora::win
