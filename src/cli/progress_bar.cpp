#include "cli/progress_bar.h"

#include <algorithm>

#include "cli/progress_line.h"

namespace quillon::cli {

void ProgressBar::Begin(int units, int unitBytes, std::string_view label) {
  stage_ = label;
  units_ = std::max(units, 0);
  unitBytes_ = std::max(unitBytes, 0);
  position_ = 0;
  start_ = std::chrono::steady_clock::now();
  if (out_ != nullptr && interactive_) {
    Draw(stage_, 0, false);
  }
}

void ProgressBar::Advance() {
  ++position_;
  if (out_ != nullptr && interactive_) {
    Draw(stage_, position_, false);
  }
}

void ProgressBar::End(std::string_view outcome) {
  if (out_ == nullptr) {
    return;
  }
  const std::string label = stage_ + ": " + std::string(outcome);
  if (!interactive_) {
    std::fprintf(out_, "%s\n", label.c_str());
    std::fflush(out_);
    return;
  }
  // A stage with nothing to step through is complete when it ends.
  Draw(label, units_ == 0 ? 1 : position_, true);
  CloseLine();
  std::fflush(out_);
}

void ProgressBar::Draw(const std::string& label, int position, bool final) {
  const std::string line =
      ProgressLine({label, position, units_, unitBytes_, std::chrono::steady_clock::now() - start_, final});
  std::fputs(line.c_str(), out_);
  lineOpen_ = true;
  std::fflush(out_);
}

void ProgressBar::CloseLine() {
  if (lineOpen_) {
    std::fputc('\n', out_);
    lineOpen_ = false;
  }
}

}  // namespace quillon::cli
