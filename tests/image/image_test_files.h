#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace quillon::test {

// One Intel HEX record with its checksum, as a line.
inline std::string HexRecord(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                                     static_cast<std::uint8_t>(address), type};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t byte : bytes) {
    sum += byte;
  }
  bytes.push_back(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
  std::string line = ":";
  for (std::uint8_t byte : bytes) {
    line += "0123456789ABCDEF"[byte >> 4];
    line += "0123456789ABCDEF"[byte & 0x0F];
  }
  return line + "\n";
}

inline std::vector<std::uint8_t> Counting(std::size_t count, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>(first + i);
  }
  return bytes;
}

inline const std::string EndRecord = ":00000001FF\n";

}  // namespace quillon::test
