#include "ui/request_image.h"

#include "protocol/chip_type_dialog.h"
#include "ui/chosen_start.h"
#include "ui/command_ids.h"
#include "ui/sector_range.h"

namespace quillon {

int PlanImageRequest(int commandId, const ImageRequest& request, const CChipTypeDlg& chip, OperatorMessages& op,
                     const StagingFile& staging, PlannedImage& planned) {
  const SectorRange range = ResolveSectorRange(chip, request.start, StartOnly);
  const bool bursts = commandId != IdCompare && chip.GetMemoryType() == MemoryInternal;
  const SegmentRule rule = bursts ? SingleBlockRule : SplitRule;
  if (!request.image) {
    return PrepareImage(request.file, range.block, range.address, rule, chip, op, staging, planned);
  }
  planned.File = *request.image;
  return PlanImageSegments(planned.File.Length, range.block, range.address, rule, chip, op, planned.Segments);
}

}  // namespace quillon
