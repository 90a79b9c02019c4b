#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/config.h"

namespace quillon::sim {

// The boot loader on a pseudo-terminal: the host opens SlavePath() like a serial device.
// Every member is safe to call from any thread while the target serves.
class Emulator {
 public:
  // Loads Config::imagePath and opens Config::logPath; throws std::system_error if either fails.
  explicit Emulator(Config config);
  ~Emulator();  // stops and joins
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // Creates the pseudo-terminal and serves it on a thread of its own; returns the slave
  // path. A second call returns the same path. Throws std::system_error without a pty.
  std::string Start();
  // Ends serving for good; the pty stays open until the emulator is destroyed.
  void Stop();
  const std::string& SlavePath() const;

  std::vector<WireEvent> WireLog() const;
  void ClearWireLog();
  // Bytes the line has carried each way since the emulator was made, counted as they are
  // logged; ClearWireLog() leaves them.
  WireCounts WireByteCounts() const;
  // Waits until the log holds at least count events.
  bool WaitForWireBytes(std::size_t count, std::chrono::milliseconds timeout) const;

  // All 65536 addresses; those outside both blocks read 0xFF.
  std::vector<std::uint8_t> FlashImage() const;
  void LoadFlash(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
  std::uint8_t Status() const;

  // Target reset: back into the boot loader, the command in progress and pending output
  // lost; in internal mode the ready bytes start again.
  void Reset();
  bool InBootLoader() const;  // false after the run command
  // Byte-counting faults count from this call on.
  void SetFaults(const Faults& faults);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillon::sim
