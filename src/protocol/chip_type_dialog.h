#pragma once

#include <array>
#include <cstdint>

#include "protocol/chip_models.h"

namespace quillon {

enum MemoryTypeValue : int { MemoryNone = 0, MemoryInternal = 1, MemoryExternal = 2 };

// The model of the chip-type dialog: which model, which memory mode, and the geometry
// that follows from the model once OK applies it.
class CChipTypeDlg {
 public:
  static constexpr int IdQRV71A16 = 1046;
  static constexpr int IdQRV71A32 = 1047;
  static constexpr int IdInternalMemory = 1041;
  static constexpr int IdExternalMemory = 1042;

  virtual ~CChipTypeDlg() = default;

  // A radio click changes its field at once, even if the dialog is then cancelled.
  void Click(int controlId);
  bool IsChecked(int controlId) const;

  int GetChipType() const { return chipType_; }
  void SetChipType(int chipType) { chipType_ = chipType; }
  int GetMemoryType() const { return memoryType_; }
  void SetMemoryType(int memoryType) { memoryType_ = memoryType; }
  std::uint8_t GetSecurityState() const { return securityState_; }
  void SetSecurityState(std::uint8_t state) { securityState_ = state; }
  bool SelectionComplete() const { return chipType_ != ChipNone && memoryType_ != MemoryNone; }
  void ApplyChipType();

  const BlockGeometry& Geometry(int block) const { return geometry_.at(static_cast<std::size_t>(block)); }
  std::uint32_t SectorCount(int block) const { return Geometry(block).SectorCount; }
  std::uint32_t SectorSize(int block) const { return Geometry(block).SectorSize; }
  std::uint32_t BlockSize(int block) const { return Geometry(block).BlockSize; }
  std::uint32_t ListedSectorCount(int block) const { return Geometry(block).ListedSectorCount; }
  std::uint32_t StartAddress(int block) const { return Geometry(block).StartAddress; }

 private:
  int chipType_ = ChipQRV71A32;
  int memoryType_ = MemoryExternal;
  std::uint8_t securityState_ = 0;
  std::array<BlockGeometry, 2> geometry_{GeometryOf(ChipQRV71A32, 0), GeometryOf(ChipQRV71A32, 1)};
};

}  // namespace quillon
