#pragma once
// mendora-cli: one command table, filled by one file per command group
// (cmd_analysis.cpp for probe, links and trace; later groups add a file of
// their own and one line in RunCli).
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/fs.h"

namespace mendora::cli {

struct Context {
  FileSystem& fs;
  std::FILE* out;     // results (stdout)
  std::FILE* err;     // messages and the progress bar (stderr)
  bool progress_bar;  // err is a terminal
  // A path from the command line in the core's form: Windows paths stay as
  // they are; a native path becomes X:\... through the drive that holds it.
  std::function<std::string(const std::string&)> core_path;
};

struct Command {
  const char* name;
  const char* arguments;  // for the usage text
  const char* summary;
  int (*run)(Context& context, const std::vector<std::string>& arguments);
};

// Command groups.
void AddAnalysisCommands(std::vector<Command>* table);
void AddOperationCommands(std::vector<Command>* table);
void AddRewriteCommands(std::vector<Command>* table);

// The whole tool: global options, then a command. Returns the exit status.
int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool err_is_terminal);

// The console layer of this platform (console_posix.cpp, console_win32.cpp).
// The file system for the run, applying the --drive options ("X=DIR"); a
// new one goes to *owner. Null with a message in *error when an option is
// malformed or not supported here.
FileSystem* MakeFileSystem(const std::vector<std::string>& drives, std::unique_ptr<FileSystem>* owner,
                           std::string* error);
// The core's form of a path given on the command line.
std::string CorePath(FileSystem& fs, const std::string& argument);
// Standard output in binary mode (no CR added before LF).
void SetBinaryOutput(std::FILE* out);
bool IsTerminal(std::FILE* stream);

}  // namespace mendora::cli
