#include "cli/serial_format.h"

#include <charconv>

namespace quillon::cli {

std::uint64_t SerialFormat::Most() const {
  switch (kind) {
    case Kind::Le16: return 0xFFFF;
    case Kind::Le32:
    case Kind::Be32: return 0xFFFFFFFF;
    case Kind::Ascii: break;
  }
  std::uint64_t most = 1;
  for (int digit = 0; digit < width; ++digit) {
    most *= 10;
  }
  return most - 1;
}

std::vector<std::uint8_t> SerialFormat::Bytes(std::uint64_t number) const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::size_t place = kind == Kind::Le16 || kind == Kind::Le32 ? i : bytes.size() - 1 - i;
    bytes[place] =
        kind == Kind::Ascii ? static_cast<std::uint8_t>('0' + number % 10) : static_cast<std::uint8_t>(number);
    number = kind == Kind::Ascii ? number / 10 : number >> 8;
  }
  return bytes;
}

std::string SerialFormat::Text() const {
  switch (kind) {
    case Kind::Le16: return "le16";
    case Kind::Le32: return "le32";
    case Kind::Be32: return "be32";
    case Kind::Ascii: break;
  }
  return "ascii:" + std::to_string(width);
}

std::optional<SerialFormat> ParseSerialFormat(std::string_view text) {
  if (text == "le16") {
    return SerialFormat{SerialFormat::Kind::Le16, 2};
  }
  if (text == "le32" || text == "be32") {
    return SerialFormat{text == "le32" ? SerialFormat::Kind::Le32 : SerialFormat::Kind::Be32, 4};
  }
  constexpr std::string_view Ascii = "ascii:";
  int width = 0;
  if (!text.starts_with(Ascii)) {
    return std::nullopt;
  }
  const std::string_view digits = text.substr(Ascii.size());
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), width);
  if (error != std::errc() || end != digits.data() + digits.size() || width < 1 || width > MostAsciiDigits) {
    return std::nullopt;
  }
  return SerialFormat{SerialFormat::Kind::Ascii, width};
}

}  // namespace quillon::cli
