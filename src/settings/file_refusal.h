#pragma once

#include <system_error>

namespace quillon {

// Why a file is refused where the system's own reasons would mislead: a FIFO with nobody
// at its other end is "No such device or address" to the kernel.
enum class FileRefusal {
  NotRegular = 1,
  NoReader,
  Stalled,
};

std::error_code MakeRefusal(FileRefusal refusal);

}  // namespace quillon
