#include "protocol/chip_type_dialog.h"

namespace quillon {

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

void CChipTypeDlg::ApplyChipType() {
  geometry_[0] = GeometryOf(chipType_, 0);
  geometry_[1] = GeometryOf(chipType_, 1);
}

}  // namespace quillon
