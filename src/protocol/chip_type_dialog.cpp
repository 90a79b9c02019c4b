#include "protocol/chip_type_dialog.h"

#include "ui/operator.h"

namespace quillon {

BlockGeometry GeometryOf(int chipType, int block) {
  if (block == 1) {
    return {64, 64, 4096, 64, 0xF000};
  }
  if (chipType == ChipQRV71A16) {
    return {128, 128, 16384, 128, 0x0000};
  }
  return {256, 128, 32768, 256, 0x0000};
}

void CChipTypeDlg::Click(int controlId) {
  switch (controlId) {
    case IdQRV71A16: chipType_ = ChipQRV71A16; break;
    case IdQRV71A32: chipType_ = ChipQRV71A32; break;
    case IdInternalMemory: memoryType_ = MemoryInternal; break;
    case IdExternalMemory: memoryType_ = MemoryExternal; break;
    default: break;
  }
}

bool CChipTypeDlg::IsChecked(int controlId) const {
  switch (controlId) {
    case IdQRV71A16: return chipType_ == ChipQRV71A16;
    case IdQRV71A32: return chipType_ == ChipQRV71A32;
    case IdInternalMemory: return memoryType_ == MemoryInternal;
    case IdExternalMemory: return memoryType_ == MemoryExternal;
    default: return false;
  }
}

bool CChipTypeDlg::DoModal(OperatorDialogs& dialogs) {
  if (!dialogs.RunChipTypeDialog(*this)) {
    return false;
  }
  ApplyChipType();
  return true;
}

void CChipTypeDlg::ApplyChipType() {
  geometry_[0] = GeometryOf(chipType_, 0);
  geometry_[1] = GeometryOf(chipType_, 1);
}

}  // namespace quillon
