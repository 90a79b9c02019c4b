#include "settings/setting_values.h"

#include <gtest/gtest.h>

#include "settings_fixture.h"

namespace quillon {
namespace {

TEST(SettingValues, StoresValuesBesideThoseAlreadyThere) {
  test::TempDir dir;
  const auto file = dir.Path() / "quillon" / "registry.ini";
  SettingValues values(file);
  EXPECT_EQ(values.Read("COMMPORT"), std::nullopt);
  EXPECT_EQ(values.WriteSettingValue("COMMPORT", "2"), 1);
  EXPECT_EQ(values.WriteSettingValue("BAUDRATE", "4800"), 1);
  EXPECT_EQ(values.WriteSettingValue("COMMPORT", "3"), 1);
  EXPECT_EQ(test::ReadText(file), "BAUDRATE=4800\nCOMMPORT=3\n");
  EXPECT_EQ(SettingValues(file).Read("BAUDRATE"), "4800");
}

TEST(SettingValues, KeepsTheFirstThirtyCharactersOfALongText) {
  test::TempDir dir;
  SettingValues values(dir.Path() / "registry.ini");
  const std::string digits = "0123456789012345678901234567890123456789";
  const struct {
    std::size_t length;
    std::size_t stored;
  } cases[] = {{5, 5}, {31, 31}, {32, 30}, {40, 30}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    ASSERT_EQ(values.WriteSettingValue("VALUE", digits.substr(0, c.length)), 1);
    EXPECT_EQ(values.Read("VALUE"), digits.substr(0, c.stored));
  }
}

TEST(SettingValues, ReadsAHandEditedFile) {
  test::TempDir dir;
  const auto file = dir.Path() / "registry.ini";
  test::WriteFile(file, "# written by hand\r\n DEVICE2 = /dev/ttyUSB0 \r\nBAUDRATE=9600\nnonsense\nDEVICE3=\n");
  const SettingValues values(file);
  EXPECT_EQ(values.Read("DEVICE2"), "/dev/ttyUSB0");
  EXPECT_EQ(values.Read("BAUDRATE"), "9600");
  EXPECT_EQ(values.Read("DEVICE3"), "");
  EXPECT_EQ(values.Read("nonsense"), std::nullopt);
}

TEST(SettingValues, RefusesWhatWouldNotReadBackTheSame) {
  test::TempDir dir;
  const auto file = dir.Path() / "registry.ini";
  SettingValues values(file);
  ASSERT_EQ(values.WriteSettingValue("COMMPORT", "1"), 1);
  const struct {
    std::string_view name;
    std::string_view text;
  } cases[] = {
      {"DEVICE1", "/dev/tty\nUSB0"}, {"DEVICE1", " /dev/ttyUSB0"}, {"A=B", "1"}, {"", "1"}, {" X", "1"}, {"X\nY", "1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(values.WriteSettingValue(c.name, c.text), 0);
  }
  EXPECT_EQ(test::ReadText(file), "COMMPORT=1\n");
}

}  // namespace
}  // namespace quillon
