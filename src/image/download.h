#pragma once

#include <string>

#include "image/staging_file.h"

namespace quillon {

class CTargetChip;

// Puts the image file into flash from `start` in `block` and returns an ImageResult; each
// failure has been told the operator by the time it returns. Nothing is rolled back: the
// sectors erased or programmed before a failure stay so.
//
// External memory: block 0's part and then block 1's, each erased, programmed, read back
// into the block's image and verified. A difference is told and the next part still
// written, and the result is then ImageProgramFailed, so nothing will run the code.
int DownloadImageExternal(CTargetChip& chip, const std::string& fileName, int block, int start,
                          const StagingFile& staging);

// Internal memory: one block, erased and programmed in whole bursts; the queued link reads
// every burst back as it writes it.
int DownloadImageInternal(CTargetChip& chip, const std::string& fileName, int block, int start,
                          const StagingFile& staging);

}  // namespace quillon
