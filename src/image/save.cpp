#include "image/save.h"

#include <vector>

#include "image/file_replacement.h"
#include "image/flash_copy.h"
#include "image/image_reader.h"
#include "image/text_dump.h"
#include "protocol/target_chip.h"

namespace quillon {

int SaveFlashToFile(CTargetChip& chip, const std::string& fileName, int start, int length, int chunk, int textFormat,
                    std::error_code& writeError) {
  std::vector<std::uint8_t> bytes;
  const int copied = CopyFlash(chip.Device(), start, length, chunk, bytes);
  if (copied != ImageDone) {
    return copied == ImageNoMemory || copied == ImageStopped ? copied : ImageFailed;
  }
  const std::string content =
      textFormat != 0 ? TextDump(bytes, static_cast<std::uint32_t>(start)) : std::string(bytes.begin(), bytes.end());
  writeError = ReplaceFile(fileName, content);
  return writeError ? ImageFailed : ImageDone;
}

}  // namespace quillon
