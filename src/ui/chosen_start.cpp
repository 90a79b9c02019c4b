#include "ui/chosen_start.h"

#include "protocol/target_chip.h"
#include "ui/main_dlg.h"

namespace quillon {

SectorRange TakeChosenStart(CMainDlg& host, CTargetChip& chip, int startIndex, int rangeIndex) {
  const SectorRange range = ResolveSectorRange(chip, startIndex, rangeIndex);
  chip.SetCurrentBlock(range.block);
  host.Window().SelectBlockTab(range.block);
  return range;
}

}  // namespace quillon
