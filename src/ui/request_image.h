#pragma once

#include "image/image_reader.h"
#include "ui/command_request.h"

namespace quillon {

class CChipTypeDlg;
class OperatorMessages;

// The request's image, read unless it came read, and cut for its place in flash as the
// command lays it out: a download in internal memory in whole bursts within one block,
// any other download and a compare split between the blocks. The start is the request's
// own. The first result that is not ImageDone, told as the reader tells it.
int PlanImageRequest(int commandId, const ImageRequest& request, const CChipTypeDlg& chip, OperatorMessages& op,
                     const StagingFile& staging, PlannedImage& planned);

}  // namespace quillon
