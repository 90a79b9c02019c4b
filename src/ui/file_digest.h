#pragma once

#include <optional>
#include <string>

namespace quillon {

// The SHA-256 of a file's bytes, in lower-case hex, so that a log names the very build a
// board got; none, with the reason, when the file cannot be read.
std::optional<std::string> FileSha256(const std::string& path, std::string& failure);

}  // namespace quillon
