#pragma once
// A mendora-cli test on one drive, C:, in-process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"

namespace mendora::test {

class CliOnDriveC : public ::testing::Test {
 protected:
  CliRun Cli(std::vector<std::string> arguments) { return RunCli(drives, "C", std::move(arguments)); }
  // The tool's view of a test path: C: is mapped to the test's drive C.
  std::string Arg(const std::string& relative) const {
#ifdef _WIN32
    return drives.Path('C', relative);
#else
    return "C:\\" + relative;
#endif
  }
  TestDrives drives;
};

}  // namespace mendora::test
