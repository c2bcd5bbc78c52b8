// mendora-cli --help, COMMAND --help and help COMMAND: what they list must
// be what the tool takes, and what the README promises.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "support/test_drives.h"

namespace mendora {
namespace {

using test::CliRun;

class HelpTest : public ::testing::Test {
 protected:
  CliRun Cli(std::vector<std::string> arguments) { return test::RunCli(drives_, "C", std::move(arguments)); }

  // The options `COMMAND --help` lists, each spelling: "--yes, -y DIR"
  // gives --yes and -y.
  std::vector<std::string> ListedOptions(const std::string& command) {
    std::istringstream help(Cli({command, "--help"}).out);
    std::vector<std::string> options;
    bool in_options = false;
    for (std::string line; std::getline(help, line);) {
      if (line == "options:") in_options = true;
      if (!in_options || line.rfind("  -", 0) != 0) continue;
      std::istringstream words(line.substr(0, line.find("  ", 2)));
      for (std::string word; words >> word;) {
        if (word[0] != '-') break;
        if (word.back() == ',') word.pop_back();
        options.push_back(word);
      }
    }
    return options;
  }

  test::TestDrives drives_;
};

bool Contains(const std::vector<std::string>& list, const std::string& item) {
  for (const std::string& i : list)
    if (i == item) return true;
  return false;
}

// The commands and options of README's "The console tool" and "Fix, copy and
// move from the console".
struct Documented {
  const char* command;
  const char* synopsis;
  std::vector<std::string> options;
};
const Documented kReadme[] = {
    {"probe", "FILE", {}},
    {"links", "[--json] FILE", {"--json"}},
    {"trace", "FILE", {}},
    {"rewrite", "SRC OUT [OLD NEW]...", {}},
    {"check", "[--json | --csv] PATH...", {"--json", "--csv"}},
    {"export", "SRC OUT [--yes]", {"--yes"}},
    {"recover", "SRC OUT [--yes]", {"--yes"}},
    {"fix", "FILE...", {"--drives", "--accept-first", "--locate", "--map", "--backup"}},
    {"copy", "--to DIR", {"--to", "--yes", "--drives", "--accept-first", "--locate", "--map"}},
    {"move", "--to DIR", {"--to", "--yes", "--drives", "--accept-first", "--locate", "--map", "--backup"}},
};

TEST_F(HelpTest, EachCommandShowsItsSynopsisAndTheOptionsTheReadmeNames) {
  const CliRun all = Cli({"--help"});
  EXPECT_EQ(all.status, 0);
  for (const Documented& d : kReadme) {
    const CliRun one = Cli({d.command, "--help"});
    EXPECT_EQ(one.status, 0) << d.command;
    EXPECT_EQ(one.err, "") << d.command;
    EXPECT_EQ(one.out.rfind(std::string("usage: mendora-cli ") + d.command + " ", 0), 0u) << one.out;
    EXPECT_NE(one.out.find(d.synopsis), std::string::npos) << d.command << "\n" << one.out;
    // help COMMAND says the same.
    const CliRun asked = Cli({"help", d.command});
    EXPECT_EQ(asked.status, 0) << d.command;
    EXPECT_EQ(asked.out, one.out) << d.command;
    const std::vector<std::string> listed = ListedOptions(d.command);
    for (const std::string& option : d.options) EXPECT_TRUE(Contains(listed, option)) << d.command << " " << option;
    // The overview holds the command's line and its option lines.
    EXPECT_NE(all.out.find(std::string("\n  ") + d.command + " "), std::string::npos) << d.command;
    std::istringstream lines(one.out.substr(one.out.find("\n\n")));
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("  -", 0) != 0) continue;
      EXPECT_NE(all.out.find("\n    " + line + "\n"), std::string::npos) << line;
    }
  }
  for (const char* global : {"--drive X=DIR", "--codepage N", "--version", "--help"})
    EXPECT_NE(all.out.find(std::string("\n  ") + global), std::string::npos) << global;
  const std::string last = "mendora-cli COMMAND --help for one command; man mendora-cli for the whole\n";
  ASSERT_GE(all.out.size(), last.size());
  EXPECT_EQ(all.out.substr(all.out.size() - last.size()), last);
  // The texts fit a terminal of 80 columns.
  std::istringstream lines(all.out);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
}

// Every option the help lists is one the command's parser takes: given with
// a value and a file that is not there, the command fails on the file (1),
// not on its arguments (2).
TEST_F(HelpTest, EveryListedOptionIsTakenByItsCommand) {
  const std::string missing = drives_.Path('C', "none.avi");
  const std::string values[][2] = {{"--to", drives_.Root('C')}, {"--drives", "C"}, {"--locate", "C:\\a=C:\\b"},
                                   {"--map", "C:\\a=C:\\b"},     {"--backup", "1"}};
  for (const Documented& d : kReadme) {
    const std::vector<std::string> listed = ListedOptions(d.command);
    for (const std::string& option : listed) {
      std::vector<std::string> arguments = {d.command, option};
      for (const auto& [name, value] : values)
        if (option == name) arguments.push_back(value);
      arguments.push_back(missing);
      if (std::string(d.command) == "export" || std::string(d.command) == "recover")
        arguments.push_back(drives_.Path('C', "out.avi"));
      const CliRun run = Cli(arguments);
      EXPECT_EQ(run.status, 1) << d.command << " " << option << "\n" << run.err;
    }
  }
}

TEST_F(HelpTest, HelpOfAnUnknownCommandIsAUsageError) {
  struct Case {
    std::vector<std::string> arguments;
    const char* said;
  } cases[] = {{{"help", "frobnicate"}, "no command \"frobnicate\""},
               {{"frobnicate", "--help"}, "unknown command \"frobnicate\""},
               {{"help", "fix", "move"}, "usage: mendora-cli help COMMAND"}};
  for (const Case& c : cases) {
    const CliRun run = Cli(c.arguments);
    EXPECT_EQ(run.status, 2) << c.said;
    EXPECT_EQ(run.out, "") << c.said;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  // A file named --help after -- is a file, not a request for help.
  const CliRun file = Cli({"fix", "--", "--help"});
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.out, "");
}

}  // namespace
}  // namespace mendora
