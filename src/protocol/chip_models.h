#pragma once

#include <array>
#include <cstdint>

namespace quillon {

enum ChipTypeValue : int { ChipNone = 0, ChipQRV71A16 = 1, ChipQRV71A32 = 2 };

struct BlockGeometry {
  std::uint32_t SectorCount;
  std::uint32_t SectorSize;
  std::uint32_t BlockSize;
  std::uint32_t ListedSectorCount;
  std::uint32_t StartAddress;
};

// One flash microcontroller the boot loader runs on: how it names itself in the chip id
// byte, how the window names it, and its two blocks.
struct ChipModel {
  int chipType;
  std::uint8_t chipId;
  const char* name;
  const char* sizeText;
  std::array<BlockGeometry, 2> blocks;
};

inline constexpr std::array<ChipModel, 2> ChipModels = {{
    {ChipQRV71A16, 0xE4, "QRV71A16", "16+4 KB", {{{128, 128, 16384, 128, 0x0000}, {64, 64, 4096, 64, 0xF000}}}},
    {ChipQRV71A32, 0xE2, "QRV71A32", "32+4 KB", {{{256, 128, 32768, 256, 0x0000}, {64, 64, 4096, 64, 0xF000}}}},
}};

// Null for a chip id or type no model has.
const ChipModel* ModelWithId(std::uint8_t chipId);
const ChipModel* ModelOfType(int chipType);

// The block's geometry for the chip type; an unknown type has the largest model's.
BlockGeometry GeometryOf(int chipType, int block);

}  // namespace quillon
