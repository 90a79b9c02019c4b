#pragma once

#include <chrono>
#include <string>

namespace quillon::cli {

// Where an operation stands, as its bar on a terminal shows it.
struct ProgressSnapshot {
  std::string label;
  int position = 0;
  int units = 0;
  int unitBytes = 0;  // 0: the units' size is not known
  std::chrono::steady_clock::duration elapsed{};
  bool ended = false;
};

// The bar, redrawn in place over the last one: the label, how far it got and, when the
// units' size is known, the bytes done, their rate and the time left, or once it has
// ended the time it took.
std::string ProgressLine(const ProgressSnapshot& snapshot);

}  // namespace quillon::cli
