// Global options and the command dispatch of mendora-cli.
#include <cstdlib>
#include <cstring>

#include "common/Texts.h"
#include "common/Version.h"
#include "cli/commands.h"

namespace mendora::cli {

namespace {

void Usage(std::FILE* err, const std::vector<Command>& table) {
  std::fprintf(err, "usage: mendora-cli [--drive X=DIR]... [--codepage N] COMMAND ARGUMENTS\n"
                    "       mendora-cli --version | --help\n\ncommands:\n");
  for (const Command& c : table) std::fprintf(err, "  %-6s %-10s %s\n", c.name, c.arguments, c.summary);
  std::fprintf(err, "\n--drive maps a drive letter to a folder for this run (POSIX only).\n"
                    "--codepage sets the code page of recorded paths: 1252, 932 or 65001 (POSIX only).\n");
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool err_is_terminal) {
  std::vector<Command> table;
  AddAnalysisCommands(&table);
  AddOperationCommands(&table);
  AddRewriteCommands(&table);
  AddExportCommands(&table);
  AddCheckCommands(&table);

  std::vector<std::string> drives;
  int code_page = 0;
  size_t i = 0;
  for (; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a == "--drive" && i + 1 < arguments.size()) {
      drives.push_back(arguments[++i]);
    } else if (a.rfind("--drive=", 0) == 0) {
      drives.push_back(a.substr(8));
    } else if (a == "--codepage" && i + 1 < arguments.size()) {
      code_page = std::atoi(arguments[++i].c_str());
      if (code_page <= 0) code_page = -1;
    } else if (a == "--version") {
      std::fprintf(out, "mendora-cli %s\n", MENDORA_VERSION);
      return 0;
    } else if (a == "--help" || a == "-h") {
      Usage(out, table);
      return 0;
    } else {
      break;
    }
  }
  if (i == arguments.size()) {
    Usage(err, table);
    return 2;
  }
  const Command* command = nullptr;
  for (const Command& c : table)
    if (arguments[i] == c.name) command = &c;
  if (command == nullptr) {
    std::fprintf(err, "mendora-cli: unknown command \"%s\"\n", arguments[i].c_str());
    Usage(err, table);
    return 2;
  }
  std::unique_ptr<FileSystem> owner;
  std::string error;
  FileSystem* fs = MakeFileSystem(drives, code_page, &owner, &error);
  std::vector<std::string> command_arguments(arguments.begin() + static_cast<long>(i) + 1, arguments.end());
  if (fs == nullptr || !ArgumentsToCodePage(&command_arguments, &error)) {
    std::fprintf(err, "mendora-cli: %s\n", error.c_str());
    return 2;
  }
  std::FILE* shown_out = ConsoleOutput(out);
  std::FILE* shown_err = ConsoleOutput(err);
  std::FILE* answers = ConsoleInput(stdin);
  Context context{*fs, shown_out, out, shown_err, answers, err_is_terminal,
                  [fs](const std::string& path) { return CorePath(*fs, path); }};
  const int status = command->run(context, command_arguments);
  CloseConsoleStream(answers, stdin);
  CloseConsoleStream(shown_err, err);
  CloseConsoleStream(shown_out, out);
  return status;
}

}  // namespace mendora::cli
