#pragma once
// mendora-cli: one command table, filled by one file per command group
// (cmd_analysis.cpp for probe, links and trace; later groups add a file of
// their own and one line in RunCli). Each entry carries its synopsis, what
// it does and its options: --help, `help COMMAND` and the shell's
// completion all read them from here.
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs.h"

namespace mendora::cli {

struct Context {
  FileSystem& fs;
  std::FILE* out;     // results (stdout), shown in the terminal's encoding
  std::FILE* err;     // messages and the progress bar (stderr)
  std::FILE* in;      // answers to questions (stdin)
  bool progress_bar;  // err is a terminal
  // A path from the command line in the core's form: Windows paths stay as
  // they are; a native path becomes X:\... through the drive that holds it.
  std::function<std::string(const std::string&)> core_path;
  // Results that are UTF-8 already (JSON, CSV): stdout as it is, not
  // converted from the code page as `out` is.
  std::FILE* utf8_out = nullptr;
};

// One option as the help shows it: its spellings and its value
// ("--yes, -y", "--to DIR"), and what it does.
struct Option {
  const char* form;
  const char* meaning;
};

struct Command {
  const char* name;
  const char* synopsis;  // what follows the name on a command line
  const char* summary;   // one sentence: what the command does
  std::vector<Option> options;
  int (*run)(Context& context, const std::vector<std::string>& arguments);
};

// The words an option is typed as: "--yes, -y" gives --yes and -y.
std::vector<std::string> OptionWords(const Option& option);

// Command groups.
void AddAnalysisCommands(std::vector<Command>* table);
void AddOperationCommands(std::vector<Command>* table);
void AddRewriteCommands(std::vector<Command>* table);
void AddExportCommands(std::vector<Command>* table);
void AddCheckCommands(std::vector<Command>* table);

// The whole tool: global options, then a command. Returns the exit status.
int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool err_is_terminal);

// The console layer of this platform (console_posix.cpp, console_win32.cpp).
// The file system for the run, applying the --drive options ("X=DIR") and
// --codepage (0 when not given), which also becomes the code page of the
// program's texts; a new one goes to *owner. Null with a message in *error
// when an option is malformed or not supported here.
FileSystem* MakeFileSystem(const std::vector<std::string>& drives, int code_page,
                           std::unique_ptr<FileSystem>* owner, std::string* error);
// The command's arguments as the core reads text: in the code page of
// recorded paths. False with a message in *error, naming the argument and
// the code page, when one cannot be written in it.
bool ArgumentsToCodePage(std::vector<std::string>* arguments, std::string* error);
// Streams that show the core's text in the terminal's encoding, and read
// answers from it the same way; the stream itself where nothing needs
// converting. Each is closed with CloseConsoleStream (the stream underneath
// stays open).
std::FILE* ConsoleOutput(std::FILE* stream);
std::FILE* ConsoleInput(std::FILE* stream);
void CloseConsoleStream(std::FILE* console, std::FILE* stream);
// The core's form of a path given on the command line.
std::string CorePath(FileSystem& fs, const std::string& argument);
// Standard output in binary mode (no CR added before LF).
void SetBinaryOutput(std::FILE* out);
bool IsTerminal(std::FILE* stream);

}  // namespace mendora::cli
