#pragma once
// The system message box as the program shows it: its caption is the
// application title, and plain boxes get the exclamation icon.
#include <windows.h>

#include <string>

namespace mendora::win {

// The file name of `module_path` without folder and extension
// ("C:\apps\mendora.exe" gives "mendora").
std::string TitleFromModulePath(const std::string& module_path);
// The application title: the executable's file name without its extension.
std::string AppTitle();

// The style actually used for `type`: a box with OK, OK/Cancel or Yes/No
// buttons and no icon of its own gets the exclamation icon; other boxes
// (Retry/Cancel) stay as asked.
UINT MessageBoxStyle(UINT type);

// Shows `text` with the application title, owned by the innermost modal
// dialog (or the active window). Returns the button pressed (IDOK,
// IDRETRY, ...), 0 on failure.
int AppMessageBox(const std::string& text, UINT type = MB_OK);

}  // namespace mendora::win
