#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// The SHA-256 of the bytes a command read, in lower-case hex, so that a log names the
// very build a board got.
std::string Sha256Hex(std::string_view bytes);

// The same for a regular file the window is about to read; none, with the reason, when it
// cannot be read. A FIFO or a device at the name is refused rather than waited on.
std::optional<std::string> FileSha256(const std::string& path, std::string& failure);

}  // namespace quillon
