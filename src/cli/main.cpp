#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  mendora::cli::SetBinaryOutput(stdout);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  return mendora::cli::RunCli(arguments, stdout, stderr, mendora::cli::IsTerminal(stderr));
}
