#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "sim/byte_stage.h"

namespace quillon::sim {

// One direction of the serial line. A byte is 10 bit times (start, 8 data, stop): it
// begins once it is ready and the byte before it is out, and counts as out when its last
// bit is. The times follow the line's own clock rather than when the emulator got round
// to each byte, so a late wake-up never slows the line down.
class LinePacer : public ByteStage {
 public:
  explicit LinePacer(unsigned baud);  // 0: unpaced, a byte is out as soon as it is ready

  Clock::time_point BeginTime(Clock::time_point ready) const { return std::max(ready, freeAt_); }
  Clock::time_point OutTime(Clock::time_point ready) const { return BeginTime(ready) + byteTime_; }
  // Returns when the byte is out.
  Clock::time_point Push(std::uint8_t byte, Clock::time_point ready);

 private:
  Clock::duration byteTime_;
  Clock::time_point freeAt_ = Clock::time_point::min();
};

}  // namespace quillon::sim
