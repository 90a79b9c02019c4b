#include "image/save.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "image/file_replacement.h"
#include "image/flash_copy.h"
#include "image/image_reader.h"
#include "image/text_dump.h"
#include "protocol/target_chip.h"

namespace quillon {

namespace {

std::error_code WriteAll(int descriptor, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(descriptor, bytes.data(), bytes.size());
    if (wrote < 0 && errno != EINTR) {
      return {errno, std::generic_category()};
    }
    bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(wrote, 0)));
  }
  return {};
}

}  // namespace

int SaveFlashToFile(CTargetChip& chip, const SaveTarget& target, int start, int length, int chunk, int textFormat,
                    std::error_code& writeError) {
  std::vector<std::uint8_t> bytes;
  const int copied = CopyFlash(chip.Device(), start, length, chunk, bytes);
  if (copied != ImageDone) {
    return copied == ImageNoMemory || copied == ImageStopped ? copied : ImageFailed;
  }
  const std::string content =
      textFormat != 0 ? TextDump(bytes, static_cast<std::uint32_t>(start)) : std::string(bytes.begin(), bytes.end());
  writeError = target.descriptor ? WriteAll(*target.descriptor, content) : ReplaceFile(target.fileName, content);
  return writeError ? ImageFailed : ImageDone;
}

}  // namespace quillon
