#pragma once

#include <ctime>
#include <string>

namespace quillon {

// "%02i:%02i:%02i%2s" on a twelve-hour clock: noon is 12 PM and midnight 12 AM.
std::string ClockPaneText(const std::tm& localTime);

}  // namespace quillon
