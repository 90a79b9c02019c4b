#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <system_error>

#include "settings/app_paths.h"
#include "settings/comm_settings_file.h"
#include "transport/reset_pulse.h"

namespace quillon {

class SerialPort;

using FailureReport = std::function<void(std::string_view text)>;

// Start-up: the configured port and baud rate from the settings file (the defaults stay
// when it is missing or not a settings file), then the device bound to that port. A file
// that stands at either name but cannot be read is reported as ReportUnreadableSettings does.
void LoadCommSettings(const AppPaths& paths, SerialPort& port, const FailureReport& report);

// "Cannot open FILE: reason" for the settings file and the registry values, each that
// stands at its name but cannot be read: a FIFO, a device, a file closed to this user.
void ReportUnreadableSettings(const AppPaths& paths, const FailureReport& report);

// Stores a confirmed choice: "COMMPORT", the settings file, "BAUDRATE", in this order.
// Each file that cannot be written is reported once with the reason, each value that
// cannot be stored is reported as well, and the rest is still stored.
struct CommSettingsSaved {
  bool port = false;
  bool file = false;
  bool baud = false;
};
CommSettingsSaved SaveCommSettings(const AppPaths& paths, const CommSettings& settings, const FailureReport& report);

// One of the five rates the dialog offers, written in decimal; nothing otherwise.
std::optional<unsigned> ParseBaudRate(std::string_view text);
// An echo window written as a whole number from 1 to the port's largest; nothing otherwise.
std::optional<int> ParseEchoWindow(std::string_view text);
// The echo window kept with the settings: nothing when none, or none that will do, is kept.
std::optional<int> ReadEchoWindow(const AppPaths& paths);
std::error_code SaveEchoWindow(const AppPaths& paths, int window);
// The reset pulse kept with the settings: nothing when none, or none that will do, is kept.
std::optional<ResetPulse> ReadResetPulse(const AppPaths& paths);
std::error_code SaveResetPulse(const AppPaths& paths, const ResetPulse& pulse);

}  // namespace quillon
