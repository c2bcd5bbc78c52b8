#include "search/win/SpecifyDlg.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstring>

#include "app/win32/ErrorDlg.h"
#include "platform/win32/dialog.h"
#include "resources/resource.h"

namespace mendora::win {

namespace {
constexpr UINT kFolderShown = WM_APP + 0x20;

// "A|a|B|b||" as the system wants it: NUL-separated, ending in two NULs.
std::string SystemFilter(const std::string& filter) {
  std::string out = filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.append(2, '\0');
  return out;
}
}  // namespace

CSpecifyLocDlg::CSpecifyLocDlg(mendora::CSpecifyLocDlg& locate, HWND parent)
    : locate_(locate),
      filter_(SystemFilter(mendora::CSpecifyLocDlg::kFilter)),
      title_(locate.title()),
      initial_folder_(locate.initial_folder()),
      file_name_(kFileNameSize, '\0') {
  std::strncpy(file_name_.data(), locate.file_name().c_str(), kFileNameSize - 1);
  ofn_.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  ofn_.hwndOwner = parent;
  ofn_.hInstance = GetModuleHandleA(nullptr);
  ofn_.lpstrFilter = filter_.c_str();
  ofn_.nFilterIndex = static_cast<DWORD>(locate.filter_index() <= 0 ? 1 : locate.filter_index());
  ofn_.lpstrFile = file_name_.data();
  ofn_.nMaxFile = static_cast<DWORD>(kFileNameSize);
  ofn_.lpstrInitialDir = initial_folder_.c_str();
  ofn_.lpstrTitle = title_.c_str();
  const DWORD base = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  ofn_.Flags = (base & ~static_cast<DWORD>(OFN_ENABLESIZING | OFN_NODEREFERENCELINKS)) | OFN_EXPLORER |
               OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ENABLETEMPLATE | OFN_HIDEREADONLY |
               OFN_OVERWRITEPROMPT | OFN_ENABLEHOOK;
  ofn_.lpTemplateName = MAKEINTRESOURCEA(IDD_SPECIFY_LOC);
  ofn_.lpfnHook = &CSpecifyLocDlg::HookProc;
  ofn_.lCustData = reinterpret_cast<LPARAM>(this);
}

INT_PTR CSpecifyLocDlg::DoModal() {
  if (ofn_.hwndOwner == nullptr) ofn_.hwndOwner = win32::CurrentModalWindow();
  return GetOpenFileNameA(&ofn_) ? IDOK : IDCANCEL;
}

UINT_PTR CALLBACK CSpecifyLocDlg::HookProc(HWND hook, UINT message, WPARAM, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEA*>(lparam);
    SetWindowLongPtrA(hook, DWLP_USER, ofn->lCustData);
    if (auto* self = reinterpret_cast<CSpecifyLocDlg*>(ofn->lCustData)) self->OnInitDialog(hook);
    return TRUE;
  }
  auto* self = reinterpret_cast<CSpecifyLocDlg*>(GetWindowLongPtrA(hook, DWLP_USER));
  if (self == nullptr) return FALSE;
  const HWND explorer = GetParent(hook);
  if (message == kFolderShown) {
    self->OnFolderChange(explorer);
    return TRUE;
  }
  if (message != WM_NOTIFY) return FALSE;
  auto* notify = reinterpret_cast<OFNOTIFYA*>(lparam);
  try {
    if (notify->hdr.code == CDN_FOLDERCHANGE) {
      // The system dialog empties its name box after it has told us about
      // a folder opened by a typed path; fill it in once that is done.
      PostMessageA(hook, kFolderShown, 0, 0);
      return FALSE;
    }
    if (notify->hdr.code == CDN_FILEOK) {
      win32::ModalWindowScope scope(explorer);
      const bool accept = self->OnFileNameOK(explorer, *notify->lpOFN);
      SetWindowLongPtrA(hook, DWLP_MSGRESULT, accept ? 0 : 1);
      return accept ? FALSE : TRUE;
    }
  } catch (...) {
    // Nothing unwinds through the system's dialog.
  }
  return FALSE;
}

void CSpecifyLocDlg::OnInitDialog(HWND hook) {
  SetDlgItemTextA(hook, IDC_SPECIFY_PROMPT, locate_.prompt().c_str());
  SetDlgItemTextA(hook, IDC_SPECIFY_NAME, locate_.missing_name().c_str());
}

void CSpecifyLocDlg::OnFolderChange(HWND explorer) {
  char folder[MAX_PATH] = {};
  if (SendMessageA(explorer, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0) return;
  const std::string text = locate_.OnFolderChange(folder);
  SendMessageA(explorer, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(""));
  SendMessageA(explorer, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(text.c_str()));
}

bool CSpecifyLocDlg::OnFileNameOK(HWND explorer, const OPENFILENAMEA& ofn) {
  const std::string path = ofn.lpstrFile != nullptr ? std::string(ofn.lpstrFile) : std::string();
  int filter = static_cast<int>(ofn.nFilterIndex);
  const LRESULT shown = SendDlgItemMessageA(explorer, cmb1, CB_GETCURSEL, 0, 0);
  if (shown != CB_ERR) filter = static_cast<int>(shown) + 1;
  if (!locate_.OnFileNameOK(path, filter)) {
    ShowError(locate_.status());
    return false;
  }
  chosen_path_ = path;
  chosen_filter_ = filter;
  return true;
}

}  // namespace mendora::win
