#pragma once

#include <cstdint>
#include <string>

namespace quillon {

// Where an operation ended on the person's stop request, taken from what it really sent:
// the address it had reached and the span of flash its commands may have left half-done.
struct StopPoint {
  enum class Work {
    Unchanged,    // only read: the flash is as it was
    Erasing,      // sectors first..last had their erase sent
    Programming,  // first..last had their data sent
    Unverified,   // first..last were programmed, the read-back did not finish
    Configuring,  // `at` of `last` lock or remap bytes had gone out
    ChipErasing,  // the chip erase had been sent, its status had not come
    Detecting,    // no chip had answered yet
    Starting,     // the run command may not have gone out
  };
  Work work = Work::Unchanged;
  std::uint32_t at = 0;
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  // Whether any command of the operation had gone out at all.
  bool sent = false;
  // Whether the frame under way was finished, so that both ends still agree on what comes
  // next; a link whose frame was abandoned must be set up anew.
  bool inStep = true;
};

// The sentence that tells the person where the operation stopped.
std::string StopText(const StopPoint& point);

}  // namespace quillon
