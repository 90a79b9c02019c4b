#pragma once

#include <string>
#include <string_view>

namespace quillon {

// The SHA-256 of the bytes a command read, in lower-case hex, so that a log names the
// very build a board got.
std::string Sha256Hex(std::string_view bytes);

}  // namespace quillon
