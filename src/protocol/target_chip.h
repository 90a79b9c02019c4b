#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "protocol/chip_type_dialog.h"
#include "protocol/iap_device.h"

namespace quillon {

// Everything the host knows of the target: model, memory mode, geometry, security state,
// the block the next operation works on, and the host-side copy of each block.
class CTargetChip : public CChipTypeDlg {
 public:
  CTargetChip(OperatorFeedback& owner, LinkState& link);

  CIapDevice& Device() { return device_; }
  const CIapDevice& Device() const { return device_; }

  int GetCurrentBlock() const { return currentBlock_; }
  void SetCurrentBlock(int block) { currentBlock_ = block; }
  bool CurrentBlockLegal() const { return currentBlock_ == 0 || currentBlock_ == 1; }

  // The block's buffer, block size plus 16 bytes, or empty before the first resize.
  std::span<std::uint8_t> BlockBuffer(int block);
  // The block's buffer for a read to fill, made to fit first when a chip type changed
  // since the last detection has outgrown it.
  std::span<std::uint8_t> BlockBufferToFill(int block);
  int ResizeBlockBuffers();

 private:
  CIapDevice device_;
  int currentBlock_ = 0;
  std::vector<std::uint8_t> blockBuffers_[2];
};

}  // namespace quillon
