#pragma once
// A dry run of Fix, Move or Copy: the analysis, the search and the
// questions about the destination run as in a real run, and the driver
// hands over what it would do instead of doing it. Nothing is written:
// no temporary file, no journal, no carry, no rename.
#include <string>
#include <utility>
#include <vector>

namespace mendora {

struct DryRunPlan {
  int mode = 0;             // Fix, Move or Copy
  std::string reference;    // the reference AVI as selected
  std::string output;       // the new reference AVI
  std::string temporary;    // where the new one is written first
  std::string backup;       // where the old one is kept; empty when it is not
  bool replaces_output = false;  // an older file at `output` is replaced
  bool removes_source = false;   // a Move without backup deletes the old one
  // Each data link as recorded and the path it would get.
  std::vector<std::pair<std::string, std::string>> links;
  // Each data file carried (Move, Copy): where it is, and its final name.
  std::vector<std::pair<std::string, std::string>> carries;
};

class DryRunSink {
 public:
  virtual ~DryRunSink() = default;
  virtual void Plan(const DryRunPlan& plan) = 0;
};

// The plan in lines, as the console prints it.
std::string FormatDryRunPlan(const DryRunPlan& plan);

}  // namespace mendora
