#include "protocol/detection.h"

#include "protocol/commands.h"
#include "protocol/iap_device.h"

namespace quillon {

namespace {

constexpr std::uint8_t FirmwareMajor11 = 0x11;
constexpr std::uint8_t FirmwareLetterE = 0x45;

}  // namespace

SecurityReading SecurityOf(std::uint8_t status) {
  using Note = SecurityReading::Note;
  const auto state = static_cast<std::uint8_t>(status & 0xE0);
  switch (state) {
    case 0x00: return {state, "SECURITY : CHIP IS UNLOCKED", Note::None};
    case 0x20: return {state, "SECURITY : BLOCK 0 IS SOFTLOCKED & BLOCK 1 IS HARDLOCKED", Note::None};
    case 0x40: return {state, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED", Note::None};
    case 0x60: return {state, "SECURITY : UNKNOWN", Note::UnknownLock};
    case 0x80: return {state, "SECURITY : CHIP IS LEVEL 2 HARDLOCKED", Note::None};
    case 0xA0:
    case 0xC0: return {state, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED", Note::None};
    default: return {state, "SECURITY : CHIP IS LEVEL 4 HARDLOCKED", Note::StopAndExit};
  }
}

bool ReadableWhileLocked(std::uint8_t securityState) {
  return securityState == 0x00 || securityState == 0x20 || securityState == 0x40;
}

const char* RemapText(std::uint8_t status) {
  switch (status & 0x03) {
    case 1: return "1 KByte";
    case 2: return "2 KByte";
    case 3: return "4 KByte";
    default: return "Disabled";
  }
}

ChipIdentity IdentifyChip(const ChipIdBytes& id) {
  const FirmwareReading firmware = id[1] != FirmwareMajor11   ? FirmwareReading::UnknownMajor
                                   : id[2] != FirmwareLetterE ? FirmwareReading::UnknownLetter
                                                              : FirmwareReading::V11E;
  return {ModelWithId(id[0]), firmware};
}

ChipIdBytes ReadChipId(CIapDevice& device, std::chrono::milliseconds limit) {
  ChipIdBytes id = {0xFF, 0xFF, 0xFF};
  const auto queues = device.Link().queues;
  if (queues && device.GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_READ_ID) == QueueDone) {
    for (std::uint8_t& byte : id) {
      if (device.AwaitReply(byte, limit, CIapDevice::OnStop::GiveUp) != 1) {
        break;
      }
    }
  }
  return id;
}

}  // namespace quillon
