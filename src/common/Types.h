#pragma once
// Types and results shared by the program's modules.

namespace mendora {

// The operation a run carries out. Also picks the labels "Fix", "Move",
// "Copy" and the progress captions. Export writes DV AVI files that need no
// data files.
enum OperationMode { Fix = 0, Move = 1, Copy = 2, Export = 3 };

// Step results: go on, or end the file without a further message (the user
// cancelled, or the failure has already been reported). Any other value is an
// error code for the error dialog.
constexpr int RC_OK = 64;
constexpr int RC_CANCELLED = 145;
// An accepted selection in the file selection dialog.
constexpr int RC_SELECT_OK = 48;

// Dialog results, with their Windows values (windows.h defines them as
// macros of the same values).
#ifndef IDOK
constexpr int IDOK = 1;
#endif
#ifndef IDCANCEL
constexpr int IDCANCEL = 2;
#endif

}  // namespace mendora
