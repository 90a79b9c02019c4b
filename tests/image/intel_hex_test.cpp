#include "image/intel_hex.h"

#include <gtest/gtest.h>

#include <sstream>

#include "image_test_files.h"

namespace quillon {
namespace {

using namespace test;

HexReading Read(const std::string& text) {
  std::istringstream stream(text);
  return ReadIntelHex(stream);
}

std::vector<std::uint8_t> Erased(std::size_t count) { return std::vector<std::uint8_t>(count, 0xFF); }

std::vector<std::uint8_t> Join(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(IntelHex, SoundTextsGiveTheImageFromAddressZero) {
  const struct {
    const char* what;
    std::string text;
    std::vector<std::uint8_t> image;
  } cases[] = {
      {"gap filled with 0xFF",
       HexRecord(0, 0x0000, Counting(16, 0)) + HexRecord(0, 0x0020, Counting(16, 0x20)) + EndRecord,
       Join(Join(Counting(16, 0), Erased(16)), Counting(16, 0x20))},
      {"lone record high up", HexRecord(0, 0x3000, {1, 2}) + EndRecord, Join(Erased(0x3000), {1, 2})},
      {"out of order, later overlap wins",
       HexRecord(0, 0x0004, {4, 5, 6, 7}) + HexRecord(0, 0x0000, {0, 1, 2, 3, 9}) + HexRecord(0, 0x0006, {0xA6}) +
           EndRecord,
       {0, 1, 2, 3, 9, 5, 0xA6, 7}},
      {"end record only", EndRecord, {}},
      {"empty data record adds nothing", HexRecord(0, 0x0100, {}) + HexRecord(0, 0, {7}) + EndRecord, {7}},
      {"linear address 0 leaves data in place",
       HexRecord(4, 0, {0x00, 0x00}) + HexRecord(0, 0, {0xAA, 0xBB}) + EndRecord, {0xAA, 0xBB}},
      {"segment address moves the data", HexRecord(2, 0, {0x0F, 0x00}) + HexRecord(0, 0x0002, {0x5A}) + EndRecord,
       Join(Erased(0xF002), {0x5A})},
      {"linear address back to 0 after a segment",
       HexRecord(2, 0, {0x0F, 0x00}) + HexRecord(4, 0, {0, 0}) + HexRecord(0, 1, {3}) + EndRecord, {0xFF, 3}},
      {"start addresses ignored",
       HexRecord(3, 0, {0, 0, 0x12, 0x34}) + HexRecord(5, 0, {0, 0, 0x56, 0x78}) + HexRecord(0, 1, {1}) + EndRecord,
       {0xFF, 1}},
      {"lower case digits", ":0200000012ab41\n" + EndRecord, {0x12, 0xAB}},
      {"blanks, blank lines and CRLF", "  :0200000012AB41 \t\r\n\r\n\n:00000001FF\r\n", {0x12, 0xAB}},
      {"end record without a line end", HexRecord(0, 0, {1}) + ":00000001FF", {1}},
      {"nothing read past the end record", HexRecord(0, 0, {1}) + EndRecord + "not hex at all", {1}},
      {"data up to 0xFFFF", HexRecord(0, 0xFFFF, {9}) + EndRecord, Join(Erased(0xFFFF), {9})},
  };
  for (const auto& c : cases) {
    const HexReading reading = Read(c.text);
    EXPECT_EQ(reading.faultLine, 0u) << c.what << ": " << reading.fault;
    EXPECT_FALSE(reading.beyondAddressSpace) << c.what;
    EXPECT_EQ(reading.image, c.image) << c.what;
  }
}

TEST(IntelHex, DataBeyondTheAddressSpaceIsFlaggedNeverWrapped) {
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"record running past 0xFFFF", HexRecord(0, 0xFFF8, Counting(16, 0))},
      {"linear address 1", HexRecord(4, 0, {0x00, 0x01}) + HexRecord(0, 0, {0xAA})},
      {"segment 0x1000", HexRecord(2, 0, {0x10, 0x00}) + HexRecord(0, 0, {0xAA})},
      {"segment 0x0FFF, offset past its 64 KB", HexRecord(2, 0, {0x0F, 0xFF}) + HexRecord(0, 0x0010, {0xAA})},
  };
  for (const auto& c : cases) {
    const HexReading reading = Read(HexRecord(0, 0, {0x02}) + c.text + EndRecord);
    EXPECT_EQ(reading.faultLine, 0u) << c.what;
    EXPECT_TRUE(reading.beyondAddressSpace) << c.what;
    EXPECT_EQ(reading.image.size(), 1u) << c.what << ": nothing may land at a wrapped address";
  }
}

TEST(IntelHex, DamagedTextIsRefusedNamingItsFirstFaultyLine) {
  const std::string good = HexRecord(0, 0, {1, 2, 3});
  const struct {
    std::string text;
    std::size_t line;
    std::string_view fault;
  } cases[] = {
      {good + ":0300030001020300\n" + EndRecord, 2, msg::HexWrongChecksum},
      {good + good + ":03000300010G03F0\n" + EndRecord, 3, msg::HexNotADigit},
      {":0300030001 0203F0\n" + EndRecord, 1, msg::HexNotADigit},
      {good + ":10000000AABB\n" + EndRecord, 2, msg::HexEndsEarly},
      {":0000000\n", 1, msg::HexEndsEarly},
      {":\n", 1, msg::HexEndsEarly},
      {":0100000001FE00\n" + EndRecord, 1, msg::HexRunsPastCount},
      {":0100000001FE0\n" + EndRecord, 1, msg::HexRunsPastCount},
      {good + "\n; a comment\n" + EndRecord, 3, msg::HexNoStartMark},
      {"0300000001020300\n", 1, msg::HexNoStartMark},
      {good + HexRecord(6, 0, {}) + EndRecord, 2, msg::HexUnknownType},
      {HexRecord(4, 0, {0}) + EndRecord, 1, msg::HexWrongLengthForType},
      {HexRecord(2, 0, {0, 0, 0}) + EndRecord, 1, msg::HexWrongLengthForType},
      {HexRecord(5, 0, {0, 0}) + EndRecord, 1, msg::HexWrongLengthForType},
      {good + HexRecord(1, 0, {0}), 2, msg::HexWrongLengthForType},
      {good + good, 2, msg::HexNoEndRecord},
      {good + ":00000001", 2, msg::HexEndsEarly},
      {"", 1, msg::HexNoEndRecord},
      {"\n\n", 2, msg::HexNoEndRecord},
      {std::string(5000, ':') + "\n" + EndRecord, 1, msg::HexNotADigit},
      {":" + std::string(5000, '0') + "\n" + EndRecord, 1, msg::HexRunsPastCount},
  };
  for (const auto& c : cases) {
    const HexReading reading = Read(c.text);
    EXPECT_EQ(reading.faultLine, c.line) << c.text.substr(0, 80);
    EXPECT_EQ(reading.fault, c.fault) << c.text.substr(0, 80);
    EXPECT_TRUE(reading.image.empty()) << c.text.substr(0, 80);
  }
}

}  // namespace
}  // namespace quillon
