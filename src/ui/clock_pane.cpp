#include "ui/clock_pane.h"

#include <cstdio>

namespace quillon {

std::string ClockPaneText(const std::tm& localTime) {
  const bool afternoon = localTime.tm_hour >= 12;
  int hour = localTime.tm_hour % 12;
  if (hour == 0) {
    hour = 12;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%02i:%02i:%02i%2s", hour, localTime.tm_min, localTime.tm_sec,
                afternoon ? "PM" : "AM");
  return text;
}

}  // namespace quillon
