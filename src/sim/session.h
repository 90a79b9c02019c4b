#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/boot_loader.h"
#include "sim/config.h"
#include "sim/fault_filter.h"
#include "sim/flash_memory.h"
#include "sim/line_pacer.h"
#include "sim/usb_adapter.h"

namespace quillon::sim {

// The target's side of the conversation in time: the path each host byte takes to the
// target (adapter, then line), when the target acts on it, when each byte it sends goes
// on the line and reaches the host (line, then adapter), and when an unanswered ready
// byte is repeated. It performs no I/O; the caller hands it the host's bytes, moves it
// on to a moment, and asks when to look again.
class Session {
 public:
  using Clock = std::chrono::steady_clock;

  // What moving on to a moment produced.
  struct Progress {
    std::vector<WireEvent> wire;       // bytes through the target's pins, in time order
    std::vector<std::uint8_t> toHost;  // bytes the host can read now
  };

  Session(const Config& config, FlashMemory& flash);

  // Target reset: output not yet on the line and any command in progress are lost.
  void Reset(Clock::time_point now);
  // Bytes already on the line by `now` are past the faults' reach.
  void SetFaults(const Faults& faults, Clock::time_point now);

  // How many more host bytes may be under way; the rest stay in the host's buffer, as a
  // serial driver's writes wait once its transmit buffer is full.
  std::size_t InputRoom() const;
  // A byte the host has written, from the moment the target's end of the pty sees it.
  void FromHost(std::uint8_t byte, Clock::time_point seen);

  // Does everything due up to `now`; appends to progress.
  void Run(Clock::time_point now, Progress& progress);
  // When Run may next have something to do; time_point::max() when only the host can move.
  Clock::time_point NextEvent() const;

  bool InBootLoader() const { return loader_.InBootLoader(); }
  // The target has closed its end of the line; nothing more passes either way.
  bool HungUp() const { return hungUp_; }
  std::uint8_t Status() const { return loader_.Status(); }

 private:
  struct Queued {
    std::uint8_t byte;
    bool ready;
    Clock::time_point earliest;
  };

  void Arrived(std::uint8_t byte, Clock::time_point at);
  void Take(const std::vector<Emission>& emissions, Clock::time_point start);
  bool PromptDue(Clock::time_point now) const;
  void Transmit(Clock::time_point now);

  UsbAdapter hostAdapter_;
  LinePacer intoTarget_;
  LinePacer outOfTarget_;
  UsbAdapter targetAdapter_;
  BootLoader loader_;
  FaultFilter filter_;
  std::chrono::milliseconds readyRepeat_;
  std::deque<Queued> queue_;  // the target's bytes not yet on the line
  Clock::time_point repeatDue_ = Clock::time_point::max();
  bool hungUp_ = false;
};

}  // namespace quillon::sim
