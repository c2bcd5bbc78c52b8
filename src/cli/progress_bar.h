#pragma once
// The console's side of the progress hand-shake: a bar on stderr, drawn on
// the reporting thread (drawing is the acknowledgement).
#include <cstdio>

#include "platform/progress.h"

namespace mendora::cli {

class ProgressBar : public ProgressSink {
 public:
  // Draws nothing when `enabled` is false.
  ProgressBar(std::FILE* err, bool enabled) : err_(err), enabled_(enabled) {}
  ~ProgressBar() override { Finish(); }

  void Report(int percent) override { Draw(percent); }
  void Post(int percent) override { Draw(percent); }
  // Ends the bar's line, once something was drawn.
  void Finish();

 private:
  void Draw(int percent);
  std::FILE* err_;
  bool enabled_;
  bool drawn_ = false;
};

}  // namespace mendora::cli
