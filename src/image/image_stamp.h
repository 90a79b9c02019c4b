#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_reader.h"

namespace quillon {

class OperatorMessages;

// Bytes that one board's copy of an image carries at a flash address, such as its own
// serial number; the image has left that place blank (0xFF) for them.
struct ImageStamp {
  std::uint32_t address = 0;
  std::vector<std::uint8_t> bytes;
};

// Why the image, laid from address 0, cannot take a stamp of `size` bytes at `address`:
// they run past the image's end or are not all 0xFF. Empty when it can.
std::string StampRefusal(const ImageFile& image, std::uint32_t address, std::size_t size);

// Writes the stamp into the image where its segments put the address in flash. ImageBadFile,
// after telling why, when a byte of it is not in the image or not blank there.
int StampImage(PlannedImage& image, const ImageStamp& stamp, OperatorMessages& op);

}  // namespace quillon
