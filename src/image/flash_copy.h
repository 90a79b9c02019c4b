#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

class CIapDevice;

// The flash bytes of `length` from `start`, read in chunks: ImageDone with all of them,
// ImageNoMemory when they cannot be held, ImageReadShort when fewer came back.
int CopyFlash(CIapDevice& device, int start, int length, int chunk, std::vector<std::uint8_t>& bytes);

}  // namespace quillon
