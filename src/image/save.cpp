#include "image/save.h"

#include <string_view>
#include <vector>

#include "image/file_replacement.h"
#include "image/flash_copy.h"
#include "image/image_reader.h"
#include "image/text_dump.h"
#include "protocol/target_chip.h"

namespace quillon {

int SaveFlashToFile(CTargetChip& chip, const std::string& fileName, int start, int length, int chunk,
                    int textFormat) {
  std::vector<std::uint8_t> bytes;
  const int copied = CopyFlash(chip.Device(), start, length, chunk, bytes);
  if (copied != ImageDone) {
    return copied == ImageNoMemory ? ImageNoMemory : ImageFailed;
  }
  if (textFormat != 0) {
    return ReplaceFile(fileName, TextDump(bytes, static_cast<std::uint32_t>(start))) ? ImageDone : ImageFailed;
  }
  const std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return ReplaceFile(fileName, raw) ? ImageDone : ImageFailed;
}

}  // namespace quillon
