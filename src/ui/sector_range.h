#pragma once

#include <cstdint>

namespace quillon {

class CChipTypeDlg;

// The sectors that a choice of the range dialog stands for.
struct SectorRange {
  int block;              // 1 from 0xF000 on, else 0
  std::uint32_t address;  // of the first sector
  int firstSector;        // within the block
  int count;              // cut at the block's end, so no address past it is ever sent
};

// startIndex indexes block 0's sectors followed by block 1's; rangeIndex 0 means every
// sector from the start to the block's end.
SectorRange ResolveSectorRange(const CChipTypeDlg& chip, int startIndex, int rangeIndex);

}  // namespace quillon
