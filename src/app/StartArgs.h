#pragma once
// What mendora.exe is asked to do by its command line, as Explorer's verbs,
// shortcuts and scripts call it:
//   mendora.exe                      the main dialog
//   mendora.exe FILE...              the main dialog, with FILE... dropped on it
//   mendora.exe /fix FILE...         Fix on FILE..., without the file selection,
//   mendora.exe /copy FILE...        then the program ends
//   mendora.exe /move FILE...
// The switches are case-insensitive and come first.
#include <string>
#include <vector>

#include "common/Types.h"

namespace mendora {

struct StartRequest {
  enum Kind {
    kMainDialog,  // nothing given
    kDropFiles,   // files only: the main dialog asks what to do with them
    kOperation,   // a switch and files: that operation, then the end
    kBadArguments,
  };
  Kind kind = kMainDialog;
  OperationMode mode = Fix;
  std::vector<std::string> files;
  std::string refused;  // the argument that made them bad, empty when files were missing
};

StartRequest ParseStartArguments(const std::vector<std::string>& arguments);

}  // namespace mendora
