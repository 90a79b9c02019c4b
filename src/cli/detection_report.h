#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon::cli {

// The order a detection's output comes in on a terminal: once the chip has been read,
// what the detection says waits, so that the chip information, when asked for, stands
// above the reason a detection will not do. Not locked: its operator holds its own lock.
class DetectionReport {
 public:
  void Begin() {
    reporting_ = true;
    chipShown_ = false;
  }
  // The chip information named a chip.
  void ChipShown() { chipShown_ = true; }
  // True when the text is kept until the report ends.
  bool Holds(std::string_view text) {
    if (reporting_ && chipShown_) {
      held_.emplace_back(text);
    }
    return reporting_ && chipShown_;
  }
  // Ends the report; whether a chip was shown, and what waited, in order.
  bool End(std::vector<std::string>& held) {
    reporting_ = false;
    held = std::exchange(held_, {});
    return chipShown_;
  }

 private:
  bool reporting_ = false;
  bool chipShown_ = false;
  std::vector<std::string> held_;
};

}  // namespace quillon::cli
