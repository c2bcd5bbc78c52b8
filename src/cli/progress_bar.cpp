#include "cli/progress_bar.h"

namespace mendora::cli {

void ProgressBar::Draw(int percent) {
  // Values outside 0..100 are not shown, as in the progress dialog.
  if (!enabled_ || percent < 0 || percent > 100) return;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(err_, "\r[%s] %3d%%", bar, percent);
  std::fflush(err_);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (drawn_) std::fputc('\n', err_);
  drawn_ = false;
}

}  // namespace mendora::cli
