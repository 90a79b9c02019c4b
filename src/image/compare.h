#pragma once

#include <string>
#include <string_view>

#include "image/image_reader.h"

namespace quillon {

class CTargetChip;

// Compares the image, planned with the split rule, with flash part by part as a download
// would write it, and returns an ImageResult: ImageProgramFailed for a difference, whose
// address and pair (flash byte << 8 | file byte) are then filled in, or for a transfer
// that failed. Only the file's own bytes are compared, never the padding after them. A
// transfer that failed is left for the link's watchdog to find, so no result drops the link.
int CompareImageWithFlash(CTargetChip& chip, const PlannedImage& image, int& mismatchAddress, int& mismatchPair);

// The IAP Status line that tells the outcome: the first difference when one was found,
// else success or failure, naming the file by its base name.
std::string CompareStatusText(std::string_view path, int result, int mismatchAddress, int mismatchPair);

}  // namespace quillon
