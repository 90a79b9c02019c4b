#include "sim/line_pacer.h"

namespace quillon::sim {

namespace {

constexpr long long kBitsPerByte = 10;

LinePacer::Clock::duration ByteTime(unsigned baud) {
  if (baud == 0) return LinePacer::Clock::duration::zero();
  return std::chrono::duration_cast<LinePacer::Clock::duration>(
      std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / baud));
}

}  // namespace

LinePacer::LinePacer(unsigned baud) : byteTime_(ByteTime(baud)) {}

LinePacer::Clock::time_point LinePacer::Push(std::uint8_t byte, Clock::time_point ready) {
  freeAt_ = OutTime(ready);
  held_.push_back({byte, freeAt_});
  return freeAt_;
}

}  // namespace quillon::sim
