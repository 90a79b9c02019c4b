#include "ui/clock_pane.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(ClockPane, TwelveHourClockWithNoonAndMidnightAsTwelve) {
  const struct {
    int hour, minute, second;
    const char* text;
  } cases[] = {
      {0, 15, 0, "12:15:00AM"}, {9, 5, 9, "09:05:09AM"},  {12, 5, 9, "12:05:09PM"},
      {12, 30, 0, "12:30:00PM"}, {13, 5, 9, "01:05:09PM"}, {23, 59, 59, "11:59:59PM"},
  };
  for (const auto& c : cases) {
    std::tm time{};
    time.tm_hour = c.hour;
    time.tm_min = c.minute;
    time.tm_sec = c.second;
    EXPECT_EQ(ClockPaneText(time), c.text);
  }
}

}  // namespace
}  // namespace quillon
