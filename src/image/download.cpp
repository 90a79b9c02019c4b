#include "image/download.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "image/image_reader.h"
#include "operator/messages.h"
#include "operator/operator.h"
#include "protocol/target_chip.h"

namespace quillon {

namespace {

// Either memory mode tells an erase or program failure alike, so that no failed download
// can pass for a done one.
int EraseAndProgram(CTargetChip& chip, const ImageFile& image, const ImageSegment& segment,
                    std::vector<std::uint8_t>& buffer) {
  CIapDevice& device = chip.Device();
  const auto sectorSize = static_cast<int>(chip.SectorSize(static_cast<int>(segment.Block)));
  const auto address = static_cast<int>(segment.FlashAddress);
  const auto filled = static_cast<int>(segment.FilledLength);
  if (device.EraseSectors(address, sectorSize, filled / sectorSize) != 0) {
    if (device.Stopped()) {
      return ImageStopped;
    }
    device.Window().Inform(msg::SectorEraseFailed);
    return ImageFailed;
  }
  if (LoadImageSegment(image, segment, buffer) != ImageDone) {
    return ImageNoMemory;
  }
  if (device.WriteFlash(address, sectorSize, buffer.data(), filled) != 0) {
    if (device.Stopped()) {
      return ImageStopped;
    }
    device.Window().Inform(msg::FailedToDownload);
    return ImageProgramFailed;
  }
  return ImageDone;
}

// The read-back lands in the block's image, which the memory view shows.
int ReadBackAndVerify(CTargetChip& chip, const ImageSegment& segment, const std::vector<std::uint8_t>& written) {
  const auto block = static_cast<int>(segment.Block);
  std::uint8_t* readBack = chip.BlockBufferToFill(block).data() + (segment.FlashAddress - chip.StartAddress(block));
  CIapDevice& device = chip.Device();
  const auto filled = static_cast<int>(segment.FilledLength);
  if (device.ReadFlash(readBack, static_cast<int>(segment.FlashAddress), filled,
                       static_cast<int>(chip.SectorSize(block))) != filled) {
    // What was programmed is whole; only its check is missing.
    if (std::optional<StopPoint> stop = device.TakeStopPoint()) {
      stop->work = StopPoint::Work::Unverified;
      stop->first = segment.FlashAddress;
      stop->last = segment.FlashAddress + segment.FilledLength - 1;
      device.NoteStop(*stop);
      return ImageStopped;
    }
    device.Window().Inform(msg::FailedToRead);
    return ImageReadShort;
  }
  if (!std::equal(written.begin(), written.end(), readBack)) {
    device.Window().Inform(msg::FailedToVerify);
    return ImageProgramFailed;
  }
  return ImageDone;
}

}  // namespace

int DownloadImageExternal(CTargetChip& chip, const PlannedImage& image) {
  int result = ImageDone;
  for (const ImageSegment& segment : image.Segments) {
    // An image that ends where block 1 starts has nothing for it.
    if (segment.FilledLength == 0) {
      continue;
    }
    std::vector<std::uint8_t> buffer;
    const int programmed = EraseAndProgram(chip, image.File, segment, buffer);
    if (programmed != ImageDone) {
      return programmed;
    }
    const int verified = ReadBackAndVerify(chip, segment, buffer);
    if (verified == ImageReadShort || verified == ImageStopped) {
      return verified;
    }
    // A difference in one part still leaves the other part worth writing.
    if (verified != ImageDone) {
      result = verified;
    }
  }
  return result;
}

int DownloadImageInternal(CTargetChip& chip, const PlannedImage& image) {
  std::vector<std::uint8_t> buffer;
  return EraseAndProgram(chip, image.File, image.Segments.front(), buffer);
}

}  // namespace quillon
