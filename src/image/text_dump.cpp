#include "image/text_dump.h"

#include <cstdio>

namespace quillon {

namespace {

constexpr std::size_t RowBytes = 16;
// "%04X - %04X  " 13, 8 x "%02X " 24, "- " 2, 7 x "%02X " 21, "%02X" 2, "\n" 1.
constexpr std::size_t RowLength = 63;

}  // namespace

std::string TextDump(std::span<const std::uint8_t> bytes, std::uint32_t address) {
  std::string text;
  text.reserve(bytes.size() / RowBytes * RowLength);
  for (std::size_t row = 0; row + RowBytes <= bytes.size(); row += RowBytes, address += RowBytes) {
    const std::uint8_t* b = bytes.data() + row;
    char line[RowLength + 1];
    std::snprintf(line, sizeof line,
                  "%04X - %04X  %02X %02X %02X %02X %02X %02X %02X %02X - %02X %02X %02X %02X %02X %02X %02X %02X\n",
                  address, address + 15, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11],
                  b[12], b[13], b[14], b[15]);
    text += line;
  }
  return text;
}

}  // namespace quillon
