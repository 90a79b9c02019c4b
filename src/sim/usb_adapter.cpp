#include "sim/usb_adapter.h"

#include <algorithm>

namespace quillon::sim {

UsbAdapter::UsbAdapter(std::chrono::milliseconds latency) : latency_(latency) {}

// The timer runs freely, the same ticks for both directions. They count from the clock's
// epoch, which every moment the emulator handles is long past.
UsbAdapter::Clock::time_point UsbAdapter::TickAfter(Clock::time_point time) const {
  return Clock::time_point{} + (time.time_since_epoch() / latency_ + 1) * latency_;
}

void UsbAdapter::Push(std::uint8_t byte, Clock::time_point gathered) {
  if (latency_ == Clock::duration::zero()) {
    held_.push_back({byte, gathered});
    return;
  }
  // A packet closes on its tick, and has certainly closed once any of it has left.
  if (gathering_ == 0 || gathered >= packetTick_ || held_.size() < gathering_) {
    gathering_ = 0;
    packetTick_ = TickAfter(gathered);
  }
  held_.push_back({byte, packetTick_});
  if (++gathering_ < kPacketBytes) return;
  // The packet is full: it leaves now, ahead of the tick it was waiting for.
  std::for_each(held_.end() - static_cast<std::ptrdiff_t>(gathering_), held_.end(),
                [&](TimedByte& held) { held.at = gathered; });
  gathering_ = 0;
}

}  // namespace quillon::sim
