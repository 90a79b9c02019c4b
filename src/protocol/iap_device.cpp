#include "protocol/iap_device.h"

#include <algorithm>

#include "operator/operator.h"

namespace quillon {

CIapDevice::CIapDevice(OperatorFeedback& owner, LinkState& link)
    : SerialPort(owner, link.LinkMode, &link.Stop), window_(owner), link_(link) {}

int CIapDevice::SendFrame(std::uint8_t command, std::uint32_t address, std::uint8_t data) {
  const std::uint8_t operands[] = {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), data};
  if (link_.Queued()) {
    const auto queues = link_.queues;
    if (!queues || GuardedPut(queues->CommandQueue, queues->CommandMutex, command) != QueueDone) {
      return 0;
    }
    for (const std::uint8_t operand : operands) {
      if (GuardedPut(queues->OperandQueue, queues->OperandMutex, operand) != QueueDone) {
        return 0;
      }
    }
    return 1;
  }
  const std::uint8_t frame[] = {command, operands[0], operands[1], operands[2]};
  return WriteBytes(frame, sizeof frame);
}

CIapDevice::Clock::time_point CIapDevice::StopBound(Clock::time_point deadline) {
  if (!StopRequested()) {
    stopSeen_.reset();
    return deadline;
  }
  if (!stopSeen_) {
    stopSeen_ = Clock::now();
  }
  return std::min(deadline, *stopSeen_ + StopGrace);
}

int CIapDevice::AwaitReply(std::uint8_t& byte, std::chrono::milliseconds limit, OnStop onStop) {
  constexpr auto pumpInterval = std::chrono::milliseconds(50);
  const auto queues = link_.queues;
  if (!queues) {
    return 0;
  }
  const auto limitEnds = Clock::now() + limit;
  for (;;) {
    const int taken = GuardedGet(queues->ReplyQueue, queues->ReplyMutex, byte);
    if (taken == QueueDone) {
      return 1;
    }
    const auto deadline = StopBound(limitEnds);
    const bool givenUp = onStop == OnStop::GiveUp && StopRequested();
    if (taken != QueueFullOrEmpty || link_.LinkLost || givenUp || Clock::now() >= deadline) {
      return 0;
    }
    {
      std::unique_lock lock(queues->ReplyMutex);
      queues->ReplyArrived.wait_until(lock, std::min(deadline, Clock::now() + pumpInterval),
                                      [&] { return !queues->ReplyQueue.IsEmpty() || link_.LinkLost; });
    }
    window_.Pump();
  }
}

int CIapDevice::GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte) {
  const int result = quillon::GuardedPut(queue, mutex, byte, window_);
  if (const auto queues = link_.queues; queues && result == QueueDone) {
    queues->BytesQueued.notify_all();
  }
  return result;
}

int CIapDevice::GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte) {
  return quillon::GuardedGet(queue, mutex, byte, window_);
}

}  // namespace quillon
