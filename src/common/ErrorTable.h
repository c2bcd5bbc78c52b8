#pragma once
// The program's error codes and the table that turns a code into the caption
// and the message of the error dialog.
#include <string>

#include "common/ErrorCodes.h"
#include "common/StringIds.h"

namespace mendora {

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
