#pragma once
// The program's error codes and the table that turns a code into the caption
// and the message of the error dialog.
#include <string>

#include "common/StringIds.h"

namespace mendora {

// Codes raised by the program (others come from the steps' own tables).
constexpr int ERR_NO_SELECTION = '2';          // 50
constexpr int ERR_INVALID_SELECTION = 'B';     // 66
constexpr int ERR_INVALID_LOCATION = 'E';      // 69
constexpr int ERR_FILE_STATUS = 'J';           // 74
constexpr int ERR_NO_REFERENCE_AVI = '`';      // 96
constexpr int ERR_NO_DATA_FILES = 'a';         // 97
constexpr int ERR_DISK_FULL = 'p';             // 112
constexpr int ERR_DV_OPEN_FAILED = 289;
constexpr int ERR_NOT_DV = 290;
constexpr int ERR_NO_THREAD = 521;
constexpr int ERR_TEMP_TAKEN = 522;           // another run holds the temporary name

struct ErrorText {
  unsigned caption_id;
  unsigned message_id;
};

// The caption and message string ids of `code`; unknown codes give
// "Error" / "An Errror has occured.".
ErrorText LookupError(int code);

// The caption and message texts of `code`, in the user's language.
struct ErrorMessage {
  std::string caption;
  std::string message;
};
ErrorMessage ErrorMessageFor(int code);

}  // namespace mendora
