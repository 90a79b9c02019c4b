#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "protocol/chip_models.h"

namespace quillon {

class CIapDevice;

// What the status byte's security bits say, and whether the person must be told more.
struct SecurityReading {
  enum class Note { None, UnknownLock, StopAndExit };
  std::uint8_t state;
  const char* text;
  Note note;
};
SecurityReading SecurityOf(std::uint8_t status);

// Chips locked this far still let their flash be read and written through the boot loader.
bool ReadableWhileLocked(std::uint8_t securityState);

const char* RemapText(std::uint8_t status);

// The id bytes of the queued link: chip id, firmware major version, firmware letter.
using ChipIdBytes = std::array<std::uint8_t, 3>;
enum class FirmwareReading { V11E, UnknownLetter, UnknownMajor };
struct ChipIdentity {
  const ChipModel* model;  // null for an id no model has
  FirmwareReading firmware;
  bool Faulty() const { return model == nullptr || firmware != FirmwareReading::V11E; }
};
ChipIdentity IdentifyChip(const ChipIdBytes& id);

// Asks the queued link's target for its id bytes; a byte that does not come within the
// limit, or after the link is lost, stays 0xFF.
ChipIdBytes ReadChipId(CIapDevice& device, std::chrono::milliseconds limit);

}  // namespace quillon
