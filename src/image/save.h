#pragma once

#include <optional>
#include <string>
#include <system_error>

namespace quillon {

class CTargetChip;

// Where a save goes: the named file, or an open descriptor (standard output) when one is
// given, the name then only naming it.
struct SaveTarget {
  std::string fileName;
  std::optional<int> descriptor;
};

// Reads `length` bytes of flash from `start` in chunks of `chunk` and writes them to the
// file, as the text dump when `textFormat` is non-zero, else as raw bytes. 0 when saved;
// -1 when the read came back short or the file could not be written, and then
// `writeError` says why it could not; 8 when memory is short. The file is touched only
// once every byte is at hand, and then replaced whole, so a failure leaves a file that was
// there as it was; a descriptor gets nothing before that either.
int SaveFlashToFile(CTargetChip& chip, const SaveTarget& target, int start, int length, int chunk, int textFormat,
                    std::error_code& writeError);

}  // namespace quillon
