#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/boot_loader.h"
#include "sim/config.h"

namespace quillon::sim {

// Turns what the boot loader means to send into what a faulty target puts on the line.
// Its counters start when it is made, that is whenever the faults are set.
class FaultFilter {
 public:
  explicit FaultFilter(const Faults& faults = {});

  Outcomes ToOutcomes() const;
  std::chrono::microseconds ReplyDelay() const { return faults_.replyDelay; }

  // Appends the bytes that stand for one emission: none, the byte (perhaps altered), or
  // the byte and an extra one.
  void Pass(const Emission& emission, std::vector<std::uint8_t>& bytes);
  // Asked as each byte is about to leave; false once the target has fallen silent.
  bool MaySend();
  // What becomes of each byte taken off the line, given what it is to the loader.
  enum class Receipt { Taken, LostInReset, HangUp };
  Receipt Receive(BootLoader::ByteRole role);

 private:
  std::uint8_t Flipped(bool reply, int index, std::uint8_t byte) const;

  Faults faults_;
  bool armed_;
  int replies_ = 0;
  int linkBytes_ = 0;  // echoes and ready bytes passed on
  int readies_ = 0;
  int sent_ = 0;
  int received_ = 0;
};

}  // namespace quillon::sim
