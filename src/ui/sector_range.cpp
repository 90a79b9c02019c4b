#include "ui/sector_range.h"

#include <algorithm>

#include "protocol/chip_type_dialog.h"

namespace quillon {

SectorRange ResolveSectorRange(const CChipTypeDlg& chip, int startIndex, int rangeIndex) {
  const auto block0Sectors = static_cast<int>(chip.SectorCount(0));
  const int block = startIndex < block0Sectors ? 0 : 1;
  const int firstSector = block == 0 ? startIndex : startIndex - block0Sectors;
  const auto sectors = static_cast<int>(chip.SectorCount(block));
  const int wanted = rangeIndex != 0 ? rangeIndex : sectors;
  return SectorRange{
      block,
      chip.StartAddress(block) + static_cast<std::uint32_t>(firstSector) * chip.SectorSize(block),
      firstSector,
      std::min(wanted, sectors - firstSector),
  };
}

}  // namespace quillon
