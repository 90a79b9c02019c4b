#include <span>
#include <thread>

#include "protocol/commands.h"
#include "protocol/iap_device.h"

namespace quillon {

namespace {

// The selector bytes of one option, in the order they go out.
struct Selectors {
  std::uint8_t bytes[3];
  int count;
};

// Lock selectors 0x00, 0x01, 0x02 set SB1, SB2, SB3; options 1 to 5.
constexpr Selectors LockOptions[] = {{{0x00}, 1}, {{0x00, 0x01}, 2}, {{0x01}, 1}, {{0x02}, 1}, {{0x00, 0x01, 0x02}, 3}};
// Remap selectors 0x00, 0x01 set RB0, RB1; options 1 to 3.
constexpr Selectors RemapOptions[] = {{{0x00}, 1}, {{0x01}, 1}, {{0x00, 0x01}, 2}};

// The command and its selector go out as two single bytes, which only the direct links
// can carry: in the queued link the port belongs to the link worker.
int SendConfigurationStep(CIapDevice& device, std::uint8_t command, std::uint8_t selector) {
  if (device.Link().Queued()) {
    return 0;
  }
  return device.WriteByte(command) == 1 && device.WriteByte(selector) == 1 ? 1 : 0;
}

// Each step is given time to program its bit before the next; the first step that fails
// ends the sequence.
int ProgramOption(CIapDevice& device, std::span<const Selectors> options, int option,
                  int (CIapDevice::*sendStep)(std::uint8_t)) {
  if (option < 1 || option > static_cast<int>(options.size())) {
    return -1;
  }
  const Selectors& selectors = options[static_cast<std::size_t>(option - 1)];
  for (int i = 0; i < selectors.count; ++i) {
    if (device.StopRequested()) {
      const auto total = static_cast<std::uint32_t>(selectors.count);
      device.NoteStop({StopPoint::Work::Configuring, static_cast<std::uint32_t>(i), 0, total, i > 0});
      return -1;
    }
    if ((device.*sendStep)(selectors.bytes[i]) != 1) {
      return -1;
    }
    std::this_thread::sleep_for(device.GetTiming().lockPause);
  }
  return 0;
}

}  // namespace

int CIapDevice::SendLockByte(std::uint8_t selector) { return SendConfigurationStep(*this, QRV_CMD_LOCK, selector); }

int CIapDevice::SendRemapByte(std::uint8_t selector) { return SendConfigurationStep(*this, QRV_CMD_REMAP, selector); }

int CIapDevice::SetLock(int option) {
  stopPoint_.reset();
  return ProgramOption(*this, LockOptions, option, &CIapDevice::SendLockByte);
}

int CIapDevice::SetRemap(int option) {
  stopPoint_.reset();
  return ProgramOption(*this, RemapOptions, option, &CIapDevice::SendRemapByte);
}

int CIapDevice::RunUserCode() {
  const auto queues = link_.queues;
  if (!queues || GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_RUN) != QueueDone) {
    return 0;
  }
  return GuardedPut(queues->OperandQueue, queues->OperandMutex, QRV_RUN_OPERAND) == QueueDone ? 1 : 0;
}

}  // namespace quillon
