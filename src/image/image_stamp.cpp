#include "image/image_stamp.h"

#include <algorithm>
#include <optional>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "operator/operator.h"

namespace quillon {

namespace {

// The image's byte that goes to the flash address, or nothing when the image's own bytes
// do not reach it: what pads a segment is not the image's to give.
std::optional<std::uint64_t> OffsetOf(const PlannedImage& image, std::uint32_t address) {
  for (const ImageSegment& segment : image.Segments) {
    if (address >= segment.FlashAddress && address - segment.FlashAddress < segment.DataLength) {
      return std::uint64_t{segment.FileOffset} + (address - segment.FlashAddress);
    }
  }
  return std::nullopt;
}

}  // namespace

std::string StampRefusal(const ImageFile& image, std::uint32_t address, std::size_t size) {
  if (address + size > image.Bytes.size()) {
    return Formatted(msg::StampBeyondImageFormat, static_cast<unsigned>(address + size - 1));
  }
  const auto first = image.Bytes.begin() + address;
  const auto used = std::find_if(first, first + static_cast<std::ptrdiff_t>(size), [](auto b) { return b != 0xFF; });
  if (used != first + static_cast<std::ptrdiff_t>(size)) {
    return Formatted(msg::StampNotBlankFormat, static_cast<unsigned>(used - image.Bytes.begin()));
  }
  return {};
}

int StampImage(PlannedImage& image, const ImageStamp& stamp, OperatorMessages& op) {
  std::vector<std::uint64_t> offsets;
  for (std::size_t i = 0; i < stamp.bytes.size(); ++i) {
    const auto address = static_cast<std::uint32_t>(stamp.address + i);
    const auto offset = OffsetOf(image, address);
    if (!offset || image.File.Bytes[*offset] != 0xFF) {
      op.Inform(Formatted(offset ? msg::StampNotBlankFormat : msg::StampBeyondImageFormat, address));
      return ImageBadFile;
    }
    offsets.push_back(*offset);
  }
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    image.File.Bytes[offsets[i]] = stamp.bytes[i];
  }
  return ImageDone;
}

}  // namespace quillon
