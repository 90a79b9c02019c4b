#pragma once

#include "image/image_reader.h"

namespace quillon {

class CTargetChip;

// Put the image, read and planned for its start with the rule of the memory mode, into
// flash and return an ImageResult; each failure has been told the operator by the time
// they return. Nothing is rolled back: the sectors erased or programmed before a failure
// stay so.
//
// External memory (SplitRule): block 0's part and then block 1's, each erased, programmed,
// read back into the block's image and verified. A difference is told and the next part
// still written, and the result is then ImageProgramFailed, so nothing will run the code.
int DownloadImageExternal(CTargetChip& chip, const PlannedImage& image);

// Internal memory (SingleBlockRule): one block, erased and programmed in whole bursts;
// the queued link reads every burst back as it writes it.
int DownloadImageInternal(CTargetChip& chip, const PlannedImage& image);

}  // namespace quillon
