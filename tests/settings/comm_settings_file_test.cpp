#include "settings/comm_settings_file.h"

#include <gtest/gtest.h>

#include "settings_fixture.h"

namespace quillon {
namespace {

TEST(CommSettingsFile, ParsesOnlyWhatTheLengthAndLettersAllow) {
  const struct {
    std::string_view bytes;
    std::optional<CommSettings> expected;
  } cases[] = {
      {"COM3 BAUD9600 $$", CommSettings{3, 9600}},
      {"COM1 BAUD38400 $$", CommSettings{1, 38400}},
      {"COM1 BAUD2", std::nullopt},                          // 10 bytes
      {"COM1 BAUD24", CommSettings{1, 24}},                  // 11 bytes, the shortest accepted
      {"COM1 BAUD1234567890", CommSettings{1, 1234567890}},  // 19 bytes, the longest accepted
      {"COM1 BAUD12345678901", std::nullopt},                // 20 bytes
      {"COM7 BAUD115200 $$", CommSettings{7, 115200}},       // numbers are not range-checked
      {"COM12BAUD4800 $$", CommSettings{12, 4800}},          // byte 4 is not looked at
      {"COMx BAUDy $$ ...", CommSettings{0, 0}},             // no digits read as 0
      {"COM4 BAUD9600\n $$", CommSettings{4, 9600}},
      {"COM1 BAUD9999999999", CommSettings{1, 1410065407}},  // wraps at 32 bits
      {"com3 BAUD9600 $$", std::nullopt},
      {"COM3 baud9600 $$", std::nullopt},
      {"COM3  BAUD9600 $$", std::nullopt},
      {"XCOM3 BAUD9600 $$", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(ParseCommSettings(c.bytes), c.expected);
  }
}

}  // namespace
}  // namespace quillon
