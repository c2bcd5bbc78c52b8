#pragma once
// Types and results shared by the program's modules.
#include "common/ErrorCodes.h"

namespace mendora {

// The operation a run carries out. Also picks the labels "Fix", "Move",
// "Copy" and the progress captions. Export writes DV AVI files that need no
// data files.
enum OperationMode { Fix = 0, Move = 1, Copy = 2, Export = 3 };

// Dialog results, with their Windows values (windows.h defines them as
// macros of the same values).
#ifndef IDOK
constexpr int IDOK = 1;
#endif
#ifndef IDCANCEL
constexpr int IDCANCEL = 2;
#endif

}  // namespace mendora
