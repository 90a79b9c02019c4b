#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "sim/boot_loader.h"
#include "sim/config.h"
#include "sim/fault_filter.h"
#include "sim/flash_memory.h"
#include "sim/line_pacer.h"

namespace quillon::sim {

// The target's side of the conversation in time: when each received byte counts as
// arrived, when each byte may leave, and when an unanswered ready byte is repeated.
// It performs no I/O; the caller asks it what is due and when to look again.
class Session {
 public:
  using Clock = std::chrono::steady_clock;

  Session(const Config& config, FlashMemory& flash);

  // Target reset: pending output and any command in progress are lost.
  void Reset(Clock::time_point now);
  void SetFaults(const Faults& faults);

  // Whether the previous byte from the host has fully arrived, so the next may be taken.
  bool AcceptsInput(Clock::time_point now) const { return now >= inputFreeAt_; }
  Clock::time_point InputFreeAt() const { return inputFreeAt_; }
  void Arrived(std::uint8_t byte, Clock::time_point now);

  // The byte to hand to the host now, if one is due; Sent() follows once it is handed over.
  std::optional<std::uint8_t> Due(Clock::time_point now);
  void Sent(Clock::time_point at);
  // When Due may next have something; time_point::max() when only the host can move.
  Clock::time_point NextEvent() const;

  bool InBootLoader() const { return loader_.InBootLoader(); }
  std::uint8_t Status() const { return loader_.Status(); }

 private:
  struct Queued {
    std::uint8_t byte;
    bool ready;
    Clock::time_point earliest;
  };

  void Take(const std::vector<Emission>& emissions, Clock::time_point start);
  bool PromptDue(Clock::time_point now) const;

  LinePacer pacer_;
  BootLoader loader_;
  FaultFilter filter_;
  std::chrono::milliseconds readyRepeat_;
  std::deque<Queued> queue_;
  bool handingReady_ = false;
  Clock::time_point inputFreeAt_ = Clock::time_point::min();
  Clock::time_point repeatDue_ = Clock::time_point::max();
};

}  // namespace quillon::sim
