#include "protocol/iap_device.h"

#include "ui/operator.h"

namespace quillon {

CIapDevice::CIapDevice(Operator& owner, LinkState& link)
    : SerialPort(owner, link.LinkMode), window_(owner), link_(link) {}

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
  if (WriteByte(command) != 1) {
    return 0;
  }
  for (const std::uint8_t operand : operands) {
    if (WriteByte(operand) != 1) {
      return 0;
    }
  }
  return 1;
}

int CIapDevice::GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte) {
  return quillon::GuardedPut(queue, mutex, byte, window_);
}

int CIapDevice::GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte) {
  return quillon::GuardedGet(queue, mutex, byte, window_);
}

}  // namespace quillon
