#include "image/compare.h"

#include <vector>

#include "image/image_reader.h"
#include "image/image_texts.h"
#include "operator/formatted.h"
#include "operator/operator.h"
#include "protocol/target_chip.h"

namespace quillon {

int CompareImageWithFlash(CTargetChip& chip, const PlannedImage& image, int& mismatchAddress, int& mismatchPair) {
  for (const ImageSegment& segment : image.Segments) {
    // An image that ends where block 1 starts has nothing for it.
    if (segment.DataLength == 0) {
      continue;
    }
    std::vector<std::uint8_t> buffer;
    if (LoadImageSegment(image.File, segment, buffer) != ImageDone) {
      return ImageNoMemory;
    }
    const auto chunk = static_cast<int>(chip.SectorSize(static_cast<int>(segment.Block)));
    if (chip.Device().CompareFlash(static_cast<int>(segment.FlashAddress), chunk, buffer.data(),
                                   static_cast<int>(segment.DataLength), mismatchAddress, mismatchPair) != 0) {
      return chip.Device().Stopped() ? ImageStopped : ImageProgramFailed;
    }
  }
  return ImageDone;
}

std::string CompareStatusText(std::string_view path, int result, int mismatchAddress, int mismatchPair) {
  const std::size_t slash = path.rfind('/');
  const std::string baseName(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (mismatchAddress >= 0) {
    return Formatted(msg::UnmatchedDataFormat, static_cast<unsigned>(mismatchAddress),
                     static_cast<unsigned>(mismatchPair >> 8) & 0xFFu, static_cast<unsigned>(mismatchPair) & 0xFFu,
                     baseName.c_str());
  }
  return Formatted(result == ImageDone ? msg::CompareSucceedFormat : msg::CompareFailedFormat, baseName.c_str());
}

}  // namespace quillon
