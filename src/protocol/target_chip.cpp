#include "protocol/target_chip.h"

namespace quillon {

CTargetChip::CTargetChip(OperatorFeedback& owner, LinkState& link) : device_(owner, link) {}

std::span<std::uint8_t> CTargetChip::BlockBuffer(int block) {
  if (block != 0 && block != 1) {
    return {};
  }
  return blockBuffers_[block];
}

std::span<std::uint8_t> CTargetChip::BlockBufferToFill(int block) {
  if (BlockBuffer(block).size() < BlockSize(block)) {
    ResizeBlockBuffers();
  }
  return BlockBuffer(block);
}

int CTargetChip::ResizeBlockBuffers() {
  for (int block = 0; block < 2; ++block) {
    const std::uint32_t size = BlockSize(block);
    blockBuffers_[block].clear();
    blockBuffers_[block].shrink_to_fit();
    if (size != 0) {
      blockBuffers_[block].assign(size + 16, 0);
    }
  }
  return 0;
}

}  // namespace quillon
