#pragma once
// A test of mendora-cli operations on real files: drives C:, D: and E:, the
// settings file, and reference AVIs whose REF records name the first two
// frame chunks of each data file (as BuildDataFile writes them), so that
// the content check finds their frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "refavi/fixtures.h"

namespace mendora::test {

class CliDrivesTest : public ::testing::Test {
 protected:
  CliRun Cli(std::vector<std::string> arguments) { return RunCli(d, "CDE", std::move(arguments)); }

  void Avi(const std::string& path, const std::vector<std::string>& links) {
    AviSpec recipe;
    for (const std::string& link : links) {
      recipe.frames.push_back(FrameSpec::Ref(link, 0));
      recipe.frames.push_back(FrameSpec::Ref(link, kWholeFileStep525));
    }
    d.WriteFile(path, BuildAvi(recipe));
  }

  std::vector<std::string> Links(const std::string& path) { return LinksOf(d.fs(), path); }

  TestDrives d;
  CliSettingsFile settings_{d};
};

}  // namespace mendora::test
