#pragma once
// A dry run of Fix, Move or Copy: the analysis, the search and the
// questions about the destination run as in a real run, and the driver
// hands over its plan instead of carrying it out. Nothing is written: no
// temporary file, no journal, no carry, no rename.
#include "operation/RunPlan.h"

namespace mendora {

class DryRunSink {
 public:
  virtual ~DryRunSink() = default;
  virtual void Plan(const RunPlan& plan) = 0;
};

}  // namespace mendora
