#include "app/StartArgs.h"

#include <cctype>

namespace mendora {

namespace {

// A Windows path never starts with a slash; "/" is a switch.
bool IsSwitch(const std::string& argument) { return !argument.empty() && argument[0] == '/'; }

bool SwitchMode(const std::string& argument, OperationMode* mode) {
  std::string name;
  for (size_t i = 1; i < argument.size(); ++i)
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(argument[i])));
  if (name == "fix") *mode = Fix;
  else if (name == "move") *mode = Move;
  else if (name == "copy") *mode = Copy;
  else return false;
  return true;
}

StartRequest Bad(const std::string& refused) {
  StartRequest request;
  request.kind = StartRequest::kBadArguments;
  request.refused = refused;
  return request;
}

}  // namespace

StartRequest ParseStartArguments(const std::vector<std::string>& arguments) {
  StartRequest request;
  if (arguments.empty()) return request;
  size_t first_file = 0;
  if (IsSwitch(arguments[0])) {
    if (!SwitchMode(arguments[0], &request.mode)) return Bad(arguments[0]);
    request.kind = StartRequest::kOperation;
    first_file = 1;
  } else {
    request.kind = StartRequest::kDropFiles;
  }
  for (size_t i = first_file; i < arguments.size(); ++i) {
    // One operation a run: a second switch, or one after the files, is a mistake.
    if (IsSwitch(arguments[i])) return Bad(arguments[i]);
    if (!arguments[i].empty()) request.files.push_back(arguments[i]);
  }
  if (request.files.empty()) return Bad("");
  return request;
}

}  // namespace mendora
