#pragma once

#include <string>
#include <string_view>

namespace quillon {

class SerialPort;

// What the port and baud panes show before the first timer tick; they also size the panes.
inline constexpr std::string_view PortPaneSizingText = "COM1";
inline constexpr std::string_view BaudPaneSizingText = "Baud Rate:  38400";

// The texts of the port and baud panes for the configured settings, refreshed every tick.
std::string UpdatePortPane(const SerialPort& port);
std::string UpdateBaudPane(const SerialPort& port);

}  // namespace quillon
