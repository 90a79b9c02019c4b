#include "sim/flash_memory.h"

#include <algorithm>
#include <utility>

namespace quillon::sim {

namespace {

constexpr std::uint32_t kBlock1Start = 0xF000;
constexpr std::uint32_t kBlock1Size = 4 * 1024;

std::uint32_t Block0Size(Chip chip) { return chip == Chip::A16 ? 16 * 1024 : 32 * 1024; }

}  // namespace

FlashMemory::FlashMemory(Chip chip)
    : blocks_{Block{0x0000, 128, std::vector<std::uint8_t>(Block0Size(chip), kErased)},
              Block{kBlock1Start, 64, std::vector<std::uint8_t>(kBlock1Size, kErased)}} {}

const FlashMemory::Block* FlashMemory::Find(std::uint32_t address) const {
  for (const Block& block : blocks_) {
    if (address >= block.start && address - block.start < block.bytes.size()) return &block;
  }
  return nullptr;
}

FlashMemory::Block* FlashMemory::Find(std::uint32_t address) {
  return const_cast<Block*>(std::as_const(*this).Find(address));
}

std::uint8_t FlashMemory::Read(std::uint16_t address) const {
  const Block* block = Find(address);
  return block ? block->bytes[address - block->start] : kErased;
}

void FlashMemory::Program(std::uint16_t address, std::uint8_t value) {
  if (Block* block = Find(address)) block->bytes[address - block->start] &= value;
}

void FlashMemory::EraseSector(std::uint16_t address) {
  Block* block = Find(address);
  if (!block) return;
  const std::uint32_t first = (address - block->start) / block->sectorSize * block->sectorSize;
  std::fill_n(block->bytes.begin() + first, block->sectorSize, kErased);
}

void FlashMemory::EraseAll() {
  for (Block& block : blocks_) std::ranges::fill(block.bytes, kErased);
}

void FlashMemory::Load(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size() && address + i < kAddressSpace; ++i) {
    const auto at = static_cast<std::uint32_t>(address + i);
    if (Block* block = Find(at)) block->bytes[at - block->start] = bytes[i];
  }
}

std::vector<std::uint8_t> FlashMemory::AddressSpace() const {
  std::vector<std::uint8_t> image(kAddressSpace, kErased);
  for (const Block& block : blocks_) std::ranges::copy(block.bytes, image.begin() + block.start);
  return image;
}

}  // namespace quillon::sim
