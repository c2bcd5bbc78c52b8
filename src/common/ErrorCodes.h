#pragma once
// Every code a step or a check of the program can end with, in one place:
// the error table (ErrorTable.cpp) turns them into the error dialog's texts,
// the console tool into its lines and exit status. Header only, so that the
// lowest layers (the reader, the rewriter) take their codes from here too.
// Some values are shared on purpose: the same fault reaches the user
// through more than one path and reads the same.

namespace mendora {

// ---- Step results: go on, or end the file without a further message (the
// user cancelled, or the failure has already been told). Any other value is
// an error code for the error dialog.
constexpr int RC_OK = 64;
constexpr int RC_CANCELLED = 145;
// An accepted selection in the file selection dialog.
constexpr int RC_SELECT_OK = 48;

// ---- The error table's own codes (letters as the table has them).
constexpr int ERR_ASD_FILE_NOT_FOUND = '1';   // 49
constexpr int ERR_NO_SELECTION = '2';         // 50
constexpr int ERR_INITIAL_DIRECTORY = '3';    // 51
constexpr int ERR_LIST_SIZES = 'A';           // 65
constexpr int ERR_INVALID_SELECTION = 'B';    // 66
constexpr int ERR_SOURCE_LIST = 'C';          // 67
constexpr int ERR_DESTINATION_LIST = 'D';     // 68
constexpr int ERR_INVALID_LOCATION = 'E';     // 69
constexpr int ERR_NO_ACTION = 'F';            // 70
constexpr int ERR_READ_ONLY = 'G';            // 71
constexpr int ERR_HIDDEN = 'H';               // 72
constexpr int ERR_SYSTEM = 'I';               // 73
constexpr int ERR_FILE_STATUS = 'J';          // 74
constexpr int ERR_BROWSE = 'K';               // 75
constexpr int ERR_BACKUP = 'L';               // 76
constexpr int ERR_REMOVE_BACKUP = 'M';        // 77
constexpr int ERR_CANCELLED = 'O';            // 79, "Operation Cancelled."
constexpr int ERR_CANCELLED_TOO = 'P';        // 80, the same message
constexpr int ERR_MOVE_CANCELLED = 'Q';       // 81
constexpr int ERR_COPY_CANCELLED = 'R';       // 82
constexpr int ERR_STEP_CANCELLED = 'S';       // 83
constexpr int ERR_NO_REFERENCE_AVI = '`';     // 96
constexpr int ERR_NO_DATA_FILES = 'a';        // 97
constexpr int ERR_DISK_FULL = 'p';            // 112
constexpr int ERR_OUT_OF_MEMORY = 264;
constexpr int ERR_NO_THREAD = 521;            // a worker thread could not start
constexpr int ERR_TEMP_TAKEN = 522;           // another run holds the temporary name

// ---- The analysis step: the links of a reference AVI, or why not.
constexpr int kAnalysisOk = RC_OK;
constexpr int kAnalysisNoReferenceAvi = ERR_NO_REFERENCE_AVI;
constexpr int kAnalysisNoDataFiles = ERR_NO_DATA_FILES;

// ---- The quick DV check of a file.
constexpr int kDvProbeIsDv = 0;
constexpr int kDvProbeOpenFailed = 289;
constexpr int kDvProbeNotDv = 290;
constexpr int ERR_DV_OPEN_FAILED = kDvProbeOpenFailed;
constexpr int ERR_NOT_DV = kDvProbeNotDv;

// ---- The move/copy engine.
constexpr int MM_OK = 0;
constexpr int MM_NO_BUFFER = 8;         // no copy buffer could be allocated
constexpr int MM_DISK_FULL = ERR_DISK_FULL;  // a rename or a write ran out of space
constexpr int MM_BAD_LIST = 257;        // lists of different lengths, or empty
constexpr int MM_BAD_SOURCE = 258;      // a source failed its check, or its size is unreadable
constexpr int MM_TARGET_EXISTS = 259;   // with refuse-existing set
constexpr int MM_TARGET_PROTECTED = 260;
constexpr int MM_WRITE_FAILURE = 262;   // rename, read, write or delete failed
constexpr int MM_COPY_CANCELLED = 263;
constexpr int MM_SOURCE_OPEN = 265;
constexpr int MM_TARGET_CREATE = 266;
// Used by the list check only; the entry turns them into 258, 259 or 260.
constexpr int MM_NO_FILE = 272;
constexpr int MM_FILE_EXISTS = 273;
constexpr int MM_FILE_PROTECTED = 274;

// ---- The rewriting step (the creation of a new reference AVI, rewrite,
// export).
constexpr int ERR_REWRITE_ARGUMENT = 513;
constexpr int ERR_REWRITE_MEMORY = 514;
constexpr int ERR_REWRITE_CREATE = 515;
constexpr int ERR_REWRITE_READ = 516;
constexpr int ERR_REWRITE_WRITE = 517;  // also: a new file that does not read back as written
constexpr int ERR_REWRITE_LIMIT = 518;
constexpr int ERR_REWRITE_CANCELLED = 519;
constexpr int ERR_REWRITE_TEMP_TAKEN = ERR_TEMP_TAKEN;
constexpr int ERR_REWRITE_TREE = 767;
// The error detail of a failed write.
constexpr int kDetailWrite = static_cast<int>(0x80000000u);

// ---- The export.
constexpr int ERR_EXPORT_LINKS = 520;  // a data link the export cannot take frames from
constexpr int ERR_EXPORT_EXISTS = MM_FILE_EXISTS;  // the output exists and is not to be replaced
constexpr int ERR_EXPORT_SAME_FILE = ERR_REWRITE_ARGUMENT;  // the output is the source itself

}  // namespace mendora
