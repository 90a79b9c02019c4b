#pragma once

#include <chrono>

namespace quillon::sim {

// The serial line's speed: a byte is 10 bit times (start, 8 data, stop) in each direction.
// A byte that the host writes has fully arrived one byte time after it is seen, and a
// byte the target sends is handed over only once its byte time on the wire is over.
class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit LinePacer(unsigned baud);

  bool Paced() const { return byteTime_ != Clock::duration::zero(); }
  Clock::time_point ArrivalComplete(Clock::time_point seen) const { return seen + byteTime_; }
  // When a byte that the target has ready at `ready` can be handed to the host.
  Clock::time_point SendTime(Clock::time_point ready) const;
  void Sent(Clock::time_point at) { lastSent_ = at; }

 private:
  Clock::duration byteTime_;
  Clock::time_point lastSent_ = Clock::time_point::min();
};

}  // namespace quillon::sim
