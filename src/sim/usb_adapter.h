#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "sim/byte_stage.h"

namespace quillon::sim {

// One direction of a USB-serial adapter of the FTDI kind. It gathers bytes into a USB
// packet and passes a short one on only when its latency timer ticks (16 ms by default,
// 1 ms in low-latency mode); a packet that fills up (62 bytes) goes at once. A byte that
// comes in on the very tick misses it. Latency 0: no adapter, bytes pass straight through.
class UsbAdapter : public ByteStage {
 public:
  static constexpr std::size_t kPacketBytes = 62;

  explicit UsbAdapter(std::chrono::milliseconds latency);

  void Push(std::uint8_t byte, Clock::time_point gathered);

 private:
  Clock::time_point TickAfter(Clock::time_point time) const;

  Clock::duration latency_;
  std::size_t gathering_ = 0;  // bytes in the packet still open, the newest in held_
  Clock::time_point packetTick_;
};

}  // namespace quillon::sim
