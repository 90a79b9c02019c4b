#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/app_paths.h"
#include "settings/serial_devices.h"
#include "transport/reset_pulse.h"

namespace CLI {
class App;
}

namespace quillon {

// The refusal of any other rate, by settings --baud and by the run's own --baud alike.
inline constexpr std::string_view BaudRatesTaken = "takes 2400, 4800, 9600, 19200 or 38400";

// What quillon-cli settings was asked to store; each value was checked as it was read.
struct SettingsRequest {
  std::optional<int> port;
  std::optional<unsigned> baud;
  std::optional<std::string> device;  // empty: the slot's default device
  std::optional<int> echoWindow;
  std::optional<ResetPulse> reset;
};

// settings [--port COMn] [--baud N] [--device PATH|default] [--echo-window N] [--reset LINE], each value
// refused as it is read when the dialog would not take it.
void AddSettingsOptions(CLI::App& command, SettingsRequest& request);

// With nothing asked it shows the configured port, baud rate and device of every COM slot;
// otherwise it stores what was asked as the dialog's OK does, then shows them. Returns 0
// when done, 1 when something could not be stored, 2 for a usage error.
int RunSettingsCommand(const SettingsRequest& request, const AppPaths& paths, std::ostream& out, std::ostream& err);

// quillon-cli ports: the serial devices present, one a line, with the COM slots bound to
// them. Returns 0.
int RunPortsCommand(const AppPaths& paths, std::ostream& out, const SerialDeviceRoots& roots = {});

}  // namespace quillon
