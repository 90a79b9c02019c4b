#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "sim/config.h"

namespace quillon::sim {

// The target's flash: block 0 from 0x0000 (16 or 32 KB, 128-byte sectors) and block 1 of
// 4 KB at 0xF000 (64-byte sectors). Programming can only clear bits, so a host that
// forgets to erase reads back the AND of old and new data.
class FlashMemory {
 public:
  static constexpr std::size_t kAddressSpace = 0x10000;
  static constexpr std::uint8_t kErased = 0xFF;

  explicit FlashMemory(Chip chip);

  // Addresses outside both blocks read as erased and ignore erase and program.
  std::uint8_t Read(std::uint16_t address) const;
  void Program(std::uint16_t address, std::uint8_t value);
  void EraseSector(std::uint16_t address);
  void EraseAll();

  // Stores bytes as they are, from address on; what falls outside both blocks is dropped.
  void Load(std::uint32_t address, std::span<const std::uint8_t> bytes);
  std::vector<std::uint8_t> AddressSpace() const;

 private:
  struct Block {
    std::uint32_t start;
    std::uint32_t sectorSize;
    std::vector<std::uint8_t> bytes;
  };

  const Block* Find(std::uint32_t address) const;
  Block* Find(std::uint32_t address);

  std::array<Block, 2> blocks_;
};

}  // namespace quillon::sim
