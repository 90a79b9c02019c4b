#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace quillon::sim {

// A byte on its way between host and target, and the moment it leaves where it is held.
struct TimedByte {
  std::uint8_t byte;
  std::chrono::steady_clock::time_point at;
};

// One stretch of the way between host and target. Bytes leave in the order they came, each
// at its own moment; those moments never decrease, so only the first byte needs watching.
class ByteStage {
 public:
  using Clock = std::chrono::steady_clock;

  std::optional<TimedByte> Pop(Clock::time_point now) {
    if (held_.empty() || held_.front().at > now) return std::nullopt;
    const TimedByte next = held_.front();
    held_.pop_front();
    return next;
  }
  Clock::time_point NextOut() const { return held_.empty() ? Clock::time_point::max() : held_.front().at; }
  std::size_t Size() const { return held_.size(); }

 protected:
  std::deque<TimedByte> held_;
};

}  // namespace quillon::sim
