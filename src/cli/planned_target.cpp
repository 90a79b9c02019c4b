#include "cli/planned_target.h"

#include "transport/link_state.h"

namespace quillon::cli {

PlannedTarget PlannedTargetOf(const GlobalOptions& options) {
  PlannedTarget target;
  CChipTypeDlg& chip = target.chip;
  switch (options.firmware) {
    case Firmware::V11EInt:
      chip.SetChipType(ChipQRV71A32);
      chip.SetMemoryType(MemoryInternal);
      target.linkMode = QueuedLink;
      break;
    case Firmware::V11EExt:
      chip.SetChipType(options.chipA16 ? ChipQRV71A16 : ChipQRV71A32);
      chip.SetMemoryType(MemoryExternal);
      target.linkMode = DirectLinkExt;
      break;
    case Firmware::V11D:
      chip.SetChipType(options.chipA16 ? ChipQRV71A16 : ChipQRV71A32);
      chip.SetMemoryType(options.memoryInternal ? MemoryInternal : MemoryExternal);
      target.linkMode = DirectLink;
      break;
  }
  chip.ApplyChipType();
  return target;
}

}  // namespace quillon::cli
