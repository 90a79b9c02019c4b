#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// How a serial number is laid into flash: a 16- or 32-bit integer, or W decimal digits
// with leading zeros.
struct SerialFormat {
  enum class Kind { Le16, Le32, Be32, Ascii };
  Kind kind = Kind::Le32;
  int width = 4;

  // The largest number it can hold.
  std::uint64_t Most() const;
  std::vector<std::uint8_t> Bytes(std::uint64_t number) const;
  std::string Text() const;
};

inline constexpr int MostAsciiDigits = 19;

// "le16", "le32", "be32" or "ascii:W" (W 1 to 19); nothing for anything else.
std::optional<SerialFormat> ParseSerialFormat(std::string_view text);

}  // namespace quillon::cli
