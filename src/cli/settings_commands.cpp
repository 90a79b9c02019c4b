#include "cli/settings_commands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <ostream>
#include <string_view>

#include "operator/messages.h"
#include "settings/atomic_file.h"
#include "settings/comm_settings.h"
#include "settings/device_binding.h"
#include "settings/setting_values.h"
#include "transport/serial_port.h"

namespace quillon {

namespace {

constexpr std::string_view SettingsUsage =
    "usage: quillon-cli settings [--port COM1..COM4] [--baud 2400|4800|9600|19200|38400] [--device PATH|default]\n"
    "                            [--echo-window 1..64]";
constexpr std::array<std::string_view, 5> OfferedBaudRates = {"38400", "19200", "9600", "4800", "2400"};

struct SettingsRequest {
  std::optional<int> port;
  std::optional<unsigned> baud;
  std::optional<std::string> device;
  std::optional<int> echoWindow;
};

// Why the arguments were refused; empty when they were not.
struct Parsed {
  SettingsRequest request;
  std::string problem;
};

std::optional<int> ParsePort(std::string_view text) {
  const auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
  if (text.size() != 4 || upper(text[0]) != 'C' || upper(text[1]) != 'O' || upper(text[2]) != 'M') {
    return std::nullopt;
  }
  const int port = text[3] - '0';
  return IsBindablePort(port) ? std::optional<int>(port) : std::nullopt;
}

std::optional<unsigned> ParseBaud(std::string_view text) {
  if (std::find(OfferedBaudRates.begin(), OfferedBaudRates.end(), text) == OfferedBaudRates.end()) {
    return std::nullopt;
  }
  return static_cast<unsigned>(std::stoul(std::string(text)));
}

// "default" clears the binding; anything else must name a device by its full path.
std::optional<std::string> ParseDevice(std::string_view text) {
  if (text == "default") {
    return std::string();
  }
  if (text.empty() || text.front() != '/' || text.find('\n') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(text);
}

Parsed ParseSettingsArgs(const std::vector<std::string>& args) {
  Parsed parsed;
  for (std::size_t i = 0; i < args.size() && parsed.problem.empty(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    }
    if (name != "--port" && name != "--baud" && name != "--device" && name != "--echo-window") {
      parsed.problem = "unknown option '" + name + "'";
    } else if (!value) {
      parsed.problem = name + " needs a value";
    } else if (name == "--port" && !(parsed.request.port = ParsePort(*value))) {
      parsed.problem = "--port takes COM1 to COM4, not '" + *value + "'";
    } else if (name == "--baud" && !(parsed.request.baud = ParseBaud(*value))) {
      parsed.problem = "--baud takes 2400, 4800, 9600, 19200 or 38400, not '" + *value + "'";
    } else if (name == "--device" && !(parsed.request.device = ParseDevice(*value))) {
      parsed.problem = "--device takes a device's full path or 'default', not '" + *value + "'";
    } else if (name == "--echo-window" && !(parsed.request.echoWindow = ParseEchoWindow(*value))) {
      parsed.problem = "--echo-window takes 1 to " + std::to_string(SerialPort::MaxEchoWindow) + ", not '" + *value + "'";
    }
  }
  return parsed;
}

CommSettings StoredSettings(const AppPaths& paths) {
  return ReadCommSettingsFile(CommSettingsFilePath(paths)).value_or(CommSettings{});
}

std::string DeviceText(const DeviceBindings& bindings, int port) {
  const std::string bound = BoundDevice(bindings, port);
  return bound.empty() ? DefaultDevicePath(port) : bound + "  (bound)";
}

void ShowSettings(const AppPaths& paths, std::ostream& out) {
  const CommSettings settings = StoredSettings(paths);
  const DeviceBindings bindings = ReadDeviceBindings(paths);
  out << "Port:      COM" << settings.port << '\n'
      << "Baud rate: " << settings.baud << '\n'
      << "Device:    " << DeviceText(bindings, settings.port) << '\n'
      << "Echo window: " << ReadEchoWindow(paths).value_or(1) << '\n';
  for (int port = FirstBindablePort; port <= LastBindablePort; ++port) {
    out << "COM" << port << " -> " << DeviceText(bindings, port) << '\n';
  }
}

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& args, const AppPaths& paths, std::ostream& out,
                       std::ostream& err) {
  const Parsed parsed = ParseSettingsArgs(args);
  const SettingsRequest& request = parsed.request;
  if (!parsed.problem.empty()) {
    err << "quillon-cli settings: " << parsed.problem << '\n' << SettingsUsage << '\n';
    return 2;
  }
  ReportUnreadableSettings(paths, [&out](std::string_view text) { out << text << '\n'; });
  CommSettings settings = StoredSettings(paths);
  settings.port = request.port.value_or(settings.port);
  settings.baud = request.baud.value_or(settings.baud);
  DeviceBindings bindings = ReadDeviceBindings(paths);
  if (request.device && !BindDevice(bindings, settings.port, *request.device)) {
    err << "quillon-cli settings: COM" << settings.port << " cannot be bound to a device; choose --port COM1 to COM4\n"
        << SettingsUsage << '\n';
    return 2;
  }
  bool stored = true;
  if (request.port || request.baud) {
    const CommSettingsSaved saved =
        SaveCommSettings(paths, settings, [&out](std::string_view text) { out << text << '\n'; });
    stored = saved.port && saved.file && saved.baud;
  }
  const auto unsaved = [&](std::error_code error) {
    if (error) {
      out << WriteFailureText(SettingValues(paths).File(), error) << '\n' << msg::UnableToSaveConfiguration << '\n';
      stored = false;
    }
  };
  if (request.echoWindow) {
    unsaved(SaveEchoWindow(paths, *request.echoWindow));
  }
  if (request.device) {
    unsaved(WriteDeviceBindings(paths, bindings));
  }
  ShowSettings(paths, out);
  return stored ? 0 : 1;
}

int RunPortsCommand(const AppPaths& paths, std::ostream& out, const SerialDeviceRoots& roots) {
  const std::vector<SerialDevice> devices = DiscoverSerialDevices(roots);
  if (devices.empty()) {
    out << "No serial devices found.\n";
  }
  const DeviceBindings bindings = ReadDeviceBindings(paths);
  for (const SerialDevice& device : devices) {
    out << DeviceLabel(device);
    for (int port = FirstBindablePort; port <= LastBindablePort; ++port) {
      const std::string bound = BoundDevice(bindings, port);
      if (bound == device.BindingPath() || bound == device.node) {
        out << "  [COM" << port << ']';
      }
    }
    out << '\n';
  }
  return 0;
}

}  // namespace quillon
