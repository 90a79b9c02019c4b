#include "image/flash_copy.h"

#include <new>

#include "image/image_reader.h"
#include "protocol/iap_device.h"

namespace quillon {

int CopyFlash(CIapDevice& device, int start, int length, int chunk, std::vector<std::uint8_t>& bytes) {
  try {
    bytes.assign(static_cast<std::size_t>(length), 0);
  } catch (const std::bad_alloc&) {
    return ImageNoMemory;
  }
  if (device.ReadFlash(bytes.data(), start, length, chunk) == length) {
    return ImageDone;
  }
  return device.Stopped() ? ImageStopped : ImageReadShort;
}

}  // namespace quillon
