// Global options, the help texts and the command dispatch of mendora-cli.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/Texts.h"
#include "common/Version.h"
#include "cli/commands.h"

namespace mendora::cli {

namespace {

const std::vector<Option>& GlobalOptions() {
  static const std::vector<Option> options = {
      {"--drive X=DIR", "maps drive letter X to folder DIR for this run (POSIX only)"},
      {"--codepage N", "code page of recorded paths: 1252, 932, 65001 (POSIX only)"},
      {"--version", "prints the version"},
      {"--help, -h", "prints this help"},
  };
  return options;
}

constexpr const char* kUsage =
    "usage: mendora-cli [--drive X=DIR]... [--codepage N] COMMAND ARGUMENTS...\n"
    "       mendora-cli help COMMAND | --version | --help\n";
constexpr const char* kMore = "mendora-cli COMMAND --help for one command; man mendora-cli for the whole\n";

// The option column is as wide as the widest option of the whole tool, so
// that every list of options lines up the same way.
size_t OptionWidth(const std::vector<Command>& table) {
  size_t width = 0;
  for (const Option& o : GlobalOptions()) width = std::max(width, std::strlen(o.form));
  for (const Command& c : table)
    for (const Option& o : c.options) width = std::max(width, std::strlen(o.form));
  return width + 2;
}

void PrintOptions(std::FILE* out, const std::vector<Option>& options, const char* indent, size_t width) {
  for (const Option& o : options) std::fprintf(out, "%s%-*s%s\n", indent, static_cast<int>(width), o.form, o.meaning);
}

void Help(std::FILE* out, const std::vector<Command>& table) {
  const size_t width = OptionWidth(table);
  size_t name_width = 0;
  for (const Command& c : table) name_width = std::max(name_width, std::strlen(c.name));
  std::fprintf(out, "%s\nglobal options:\n", kUsage);
  PrintOptions(out, GlobalOptions(), "  ", width);
  std::fprintf(out, "\ncommands:\n");
  for (const Command& c : table) {
    std::fprintf(out, "  %-*s  %s\n      %s\n", static_cast<int>(name_width), c.name, c.synopsis, c.summary);
    PrintOptions(out, c.options, "      ", width);
  }
  std::fprintf(out, "\n%s", kMore);
}

void CommandHelp(std::FILE* out, const Command& command, const std::vector<Command>& table) {
  std::fprintf(out, "usage: mendora-cli %s %s\n\n%s\n", command.name, command.synopsis, command.summary);
  if (!command.options.empty()) {
    std::fprintf(out, "\noptions:\n");
    PrintOptions(out, command.options, "  ", OptionWidth(table));
  }
}

// For the shell's completion (not in the help): the global options and the
// commands, or the options of one command.
int CompleteWords(std::FILE* out, const std::vector<Command>& table, const std::vector<std::string>& rest) {
  if (rest.empty()) {
    for (const Option& o : GlobalOptions())
      for (const std::string& word : OptionWords(o)) std::fprintf(out, "%s\n", word.c_str());
    std::fprintf(out, "help\n");
    for (const Command& c : table) std::fprintf(out, "%s\n", c.name);
    return 0;
  }
  for (const Command& c : table) {
    if (rest.size() != 1 || rest[0] != c.name) continue;
    for (const Option& o : c.options)
      for (const std::string& word : OptionWords(o)) std::fprintf(out, "%s\n", word.c_str());
    return 0;
  }
  return 2;
}

const Command* Find(const std::vector<Command>& table, const std::string& name) {
  for (const Command& c : table)
    if (name == c.name) return &c;
  return nullptr;
}

bool AsksForHelp(const std::vector<std::string>& arguments) {
  for (const std::string& a : arguments) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> OptionWords(const Option& option) {
  std::vector<std::string> words;
  std::string_view form = option.form;
  while (!form.empty()) {
    const size_t comma = form.find(", ");
    const std::string_view spelling = form.substr(0, comma);
    words.emplace_back(spelling.substr(0, spelling.find(' ')));
    form = comma == std::string_view::npos ? std::string_view() : form.substr(comma + 2);
  }
  return words;
}

int RunCli(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err, bool err_is_terminal) {
  std::vector<Command> table;
  AddAnalysisCommands(&table);
  AddRewriteCommands(&table);
  AddCheckCommands(&table);
  AddExportCommands(&table);
  AddOperationCommands(&table);

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
      Help(out, table);
      return 0;
    } else if (a == "--complete-words") {
      return CompleteWords(out, table, std::vector<std::string>(arguments.begin() + static_cast<long>(i) + 1,
                                                                arguments.end()));
    } else {
      break;
    }
  }
  if (i == arguments.size()) {
    std::fprintf(err, "%s%s", kUsage, kMore);
    return 2;
  }
  std::vector<std::string> command_arguments(arguments.begin() + static_cast<long>(i) + 1, arguments.end());
  if (arguments[i] == "help") {
    if (command_arguments.empty()) {
      Help(out, table);
      return 0;
    }
    if (command_arguments.size() != 1) {
      std::fprintf(err, "usage: mendora-cli help COMMAND\n%s", kMore);
      return 2;
    }
    const Command* wanted = Find(table, command_arguments[0]);
    if (wanted == nullptr) {
      std::fprintf(err, "mendora-cli help: no command \"%s\"\n%s", command_arguments[0].c_str(), kMore);
      return 2;
    }
    CommandHelp(out, *wanted, table);
    return 0;
  }
  const Command* command = Find(table, arguments[i]);
  if (command == nullptr) {
    std::fprintf(err, "mendora-cli: unknown command \"%s\"\n%s%s", arguments[i].c_str(), kUsage, kMore);
    return 2;
  }
  if (AsksForHelp(command_arguments)) {
    CommandHelp(out, *command, table);
    return 0;
  }
  std::unique_ptr<FileSystem> owner;
  std::string error;
  FileSystem* fs = MakeFileSystem(drives, code_page, &owner, &error);
  if (fs == nullptr || !ArgumentsToCodePage(&command_arguments, &error)) {
    std::fprintf(err, "mendora-cli: %s\n", error.c_str());
    return 2;
  }
  std::FILE* shown_out = ConsoleOutput(out);
  std::FILE* shown_err = ConsoleOutput(err);
  std::FILE* answers = ConsoleInput(stdin);
  Context context{*fs, shown_out, shown_err, answers, err_is_terminal,
                  [fs](const std::string& path) { return CorePath(*fs, path); }, out};
  const int status = command->run(context, command_arguments);
  CloseConsoleStream(answers, stdin);
  CloseConsoleStream(shown_err, err);
  CloseConsoleStream(shown_out, out);
  return status;
}

}  // namespace mendora::cli
