#include "image/intel_hex.h"

#include <algorithm>
#include <span>

namespace quillon {

namespace {

constexpr std::uint64_t AddressSpace = 0x10000;
// ':' and the hex pairs of count, address, type, 255 data bytes and checksum.
constexpr std::size_t LongestRecord = 1 + 2 * (1 + 2 + 1 + 255 + 1);
// Room for blanks around a record; anything longer is no record, and a binary file given
// a HEX name must not be taken into memory whole just to find that out.
constexpr std::size_t LongestLine = 2 * LongestRecord;
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

enum RecordType : std::uint8_t {
  DataRecord = 0,
  EndRecord = 1,
  ExtendedSegmentAddress = 2,
  StartSegmentAddress = 3,
  ExtendedLinearAddress = 4,
  StartLinearAddress = 5,
};

// By type: the byte count every record but a data record must carry.
constexpr std::uint8_t FixedCount[] = {0, 0, 2, 4, 2, 4};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

std::uint8_t PairValue(char high, char low) {
  return static_cast<std::uint8_t>(DigitValue(high) * 16 + DigitValue(low));
}

bool ReadLine(std::istream& text, std::string& line) {
  using Traits = std::char_traits<char>;
  line.clear();
  std::streambuf& buffer = *text.rdbuf();
  Traits::int_type c = buffer.sbumpc();
  if (Traits::eq_int_type(c, Traits::eof())) {
    return false;
  }
  for (; !Traits::eq_int_type(c, Traits::eof()) && c != '\n'; c = buffer.sbumpc()) {
    if (line.size() <= LongestLine) {
      line.push_back(Traits::to_char_type(c));
    }
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// Turns a record into its bytes: count, address high, address low, type, data, checksum.
// Returns the fault, or an empty text for a sound record.
std::string_view Decode(std::string_view record, std::vector<std::uint8_t>& bytes) {
  if (record.front() != ':') {
    return msg::HexNoStartMark;
  }
  record.remove_prefix(1);
  if (!std::all_of(record.begin(), record.end(), [](char c) { return DigitValue(c) >= 0; })) {
    return msg::HexNotADigit;
  }
  if (record.size() < 10 || record.size() < 10 + 2 * std::size_t{PairValue(record[0], record[1])}) {
    return msg::HexEndsEarly;
  }
  if (record.size() > 10 + 2 * std::size_t{PairValue(record[0], record[1])}) {
    return msg::HexRunsPastCount;
  }
  bytes.clear();
  unsigned sum = 0;
  for (std::size_t i = 0; i < record.size(); i += 2) {
    bytes.push_back(PairValue(record[i], record[i + 1]));
    sum += bytes.back();
  }
  return (sum & 0xFF) == 0 ? std::string_view{} : msg::HexWrongChecksum;
}

// A record without data writes nothing, so it does not stretch the image either.
void Store(HexReading& reading, std::uint64_t address, std::span<const std::uint8_t> data) {
  const std::uint64_t end = address + data.size();
  if (data.empty()) {
    return;
  }
  reading.end = std::max(reading.end, end);
  if (end > AddressSpace) {
    reading.beyondAddressSpace = true;
    return;
  }
  if (reading.image.size() < end) {
    reading.image.resize(static_cast<std::size_t>(end), 0xFF);
  }
  std::copy(data.begin(), data.end(), reading.image.begin() + static_cast<std::ptrdiff_t>(address));
}

std::uint64_t Word(std::span<const std::uint8_t> data) { return std::uint64_t{data[0]} << 8 | data[1]; }

}  // namespace

HexReading ReadIntelHex(std::istream& text) {
  HexReading reading;
  std::size_t lineNumber = 0;
  const auto refuse = [&](std::string_view fault) {
    reading.image.clear();
    reading.beyondAddressSpace = false;
    reading.faultLine = std::max<std::size_t>(lineNumber, 1);
    reading.fault = fault;
    return reading;
  };

  std::string line;
  std::vector<std::uint8_t> bytes;
  std::uint64_t base = 0;
  while (ReadLine(text, line)) {
    ++lineNumber;
    std::string_view record = line;
    // Editors on other systems start a text with a byte-order mark, which marks no record.
    if (lineNumber == 1 && record.starts_with(ByteOrderMark)) {
      record.remove_prefix(ByteOrderMark.size());
    }
    record = Trim(record);
    if (record.empty()) {
      continue;
    }
    if (const std::string_view fault = Decode(record, bytes); !fault.empty()) {
      return refuse(fault);
    }
    const std::span<const std::uint8_t> data = std::span(bytes).subspan(4, bytes[0]);
    const std::uint8_t type = bytes[3];
    if (type > StartLinearAddress) {
      return refuse(msg::HexUnknownType);
    }
    if (type != DataRecord && data.size() != FixedCount[type]) {
      return refuse(msg::HexWrongLengthForType);
    }
    switch (type) {
      case DataRecord: Store(reading, base + Word(std::span(bytes).subspan(1, 2)), data); break;
      case EndRecord: return reading;
      case ExtendedSegmentAddress: base = Word(data) << 4; break;
      case ExtendedLinearAddress: base = Word(data) << 16; break;
      default:
        // A start address tells where code begins running, nothing about where it lies.
        break;
    }
  }
  return refuse(msg::HexNoEndRecord);
}

std::string HexFaultText(const HexReading& reading) {
  return std::string(msg::InvalidHexAtLine) + std::to_string(reading.faultLine) + ": " + std::string(reading.fault);
}

}  // namespace quillon
