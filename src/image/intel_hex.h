#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

namespace msg {
// "Invalid HEX file at line 12: wrong checksum"
inline constexpr std::string_view InvalidHexAtLine = "Invalid HEX file at line ";
inline constexpr std::string_view HexNoStartMark = "the record does not begin with ':'";
inline constexpr std::string_view HexNotADigit = "a character that is not a hex digit";
inline constexpr std::string_view HexEndsEarly = "the record ends early";
inline constexpr std::string_view HexRunsPastCount = "the record runs past its byte count";
inline constexpr std::string_view HexWrongChecksum = "wrong checksum";
inline constexpr std::string_view HexUnknownType = "unknown record type";
inline constexpr std::string_view HexWrongLengthForType = "wrong byte count for the record type";
inline constexpr std::string_view HexNoEndRecord = "the file ends before its end record";
}  // namespace msg

// A HEX file laid out as flash: byte k belongs at address k, and every byte below the
// highest one written that no record supplies is 0xFF, the erased value.
struct HexReading {
  std::vector<std::uint8_t> image;
  // Some data would land at 0x10000 or above, where no flash of ours is; those bytes are
  // not in `image`, and the image must not be used.
  bool beyondAddressSpace = false;
  // One past the highest address any data record reaches.
  std::uint64_t end = 0;
  // 0 when the text is well formed; otherwise the 1-based line of the first fault.
  std::size_t faultLine = 0;
  std::string_view fault;
  bool operator==(const HexReading&) const = default;
};

// Reads Intel HEX up to its end record. Data records may come in any order and overlap
// (the later wins); extended segment (02) and extended linear (04) address records move
// the data that follows; start address records (03, 05) say nothing about flash.
HexReading ReadIntelHex(std::istream& text);

std::string HexFaultText(const HexReading& reading);

}  // namespace quillon
