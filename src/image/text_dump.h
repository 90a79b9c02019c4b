#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quillon {

// Flash bytes as text, 16 to a row, the first row at `address`:
//   "F000 - F00F  FF FF FF FF FF FF FF FF - FF FF FF FF FF FF FF FF\n"
// Bytes after the last whole 16 make no row.
std::string TextDump(std::span<const std::uint8_t> bytes, std::uint32_t address);

}  // namespace quillon
