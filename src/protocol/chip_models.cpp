#include "protocol/chip_models.h"

#include <algorithm>

namespace quillon {

const ChipModel* ModelWithId(std::uint8_t chipId) {
  const auto found =
      std::find_if(ChipModels.begin(), ChipModels.end(), [&](const ChipModel& m) { return m.chipId == chipId; });
  return found == ChipModels.end() ? nullptr : &*found;
}

const ChipModel* ModelOfType(int chipType) {
  const auto found =
      std::find_if(ChipModels.begin(), ChipModels.end(), [&](const ChipModel& m) { return m.chipType == chipType; });
  return found == ChipModels.end() ? nullptr : &*found;
}

BlockGeometry GeometryOf(int chipType, int block) {
  const ChipModel* model = ModelOfType(chipType);
  return (model != nullptr ? *model : ChipModels.back()).blocks.at(block == 1 ? 1 : 0);
}

}  // namespace quillon
