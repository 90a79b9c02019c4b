#include "cli/settings_commands.h"

#include <CLI/CLI.hpp>

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

std::optional<int> ParsePort(std::string_view text) {
  const auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
  if (text.size() != 4 || upper(text[0]) != 'C' || upper(text[1]) != 'O' || upper(text[2]) != 'M') {
    return std::nullopt;
  }
  const int port = text[3] - '0';
  return IsBindablePort(port) ? std::optional<int>(port) : std::nullopt;
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

// An option whose value is stored only when parse takes it; refusal says what it takes.
template <typename Value, typename Parse>
void AddSetting(CLI::App& command, const std::string& names, const std::string& kind, std::optional<Value>& field,
                Parse parse, const std::string& refusal) {
  command.add_option_function<std::string>(names, [&field, parse](const std::string& text) { field = parse(text); })
      ->type_name(kind)
      ->check(CLI::Validator(
          [parse, refusal](std::string& text) {
            return parse(text) ? std::string() : refusal + ", not '" + text + "'";
          },
          ""));
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
      << "Echo window: " << ReadEchoWindow(paths).value_or(1) << '\n'
      << "Reset line: " << ResetPulseText(ReadResetPulse(paths).value_or(ResetPulse{})) << '\n';
  for (int port = FirstBindablePort; port <= LastBindablePort; ++port) {
    out << "COM" << port << " -> " << DeviceText(bindings, port) << '\n';
  }
}

}  // namespace

void AddSettingsOptions(CLI::App& command, SettingsRequest& request) {
  AddSetting(command, "-p,--port", "COM1..COM4", request.port, ParsePort, "takes COM1 to COM4");
  AddSetting(command, "-b,--baud", "RATE", request.baud, ParseBaudRate, std::string(BaudRatesTaken));
  AddSetting(command, "--device", "PATH|default", request.device, ParseDevice,
             "takes a device's full path or 'default'");
  AddSetting(command, "--echo-window", "1.." + std::to_string(SerialPort::MaxEchoWindow), request.echoWindow,
             ParseEchoWindow, "takes 1 to " + std::to_string(SerialPort::MaxEchoWindow));
  AddSetting(command, "--reset", "dtr|rts[:MS]|none", request.reset, ParseResetPulse,
             "takes dtr, rts, dtr:MS or rts:MS with MS 1 to " + std::to_string(MaxResetPulse.count()) + ", or none");
  command.get_option("--port")->description("the COM slot the window and quillon-cli open by default");
  command.get_option("--baud")->description("the baud rate they open it at");
  command.get_option("--device")->description("the device the port's COM slot stands for");
  command.get_option("--echo-window")->description("how many bytes may be sent ahead of their echoes");
  command.get_option("--reset")->description("the line that resets the board as the port opens, and for how long");
}

int RunSettingsCommand(const SettingsRequest& request, const AppPaths& paths, std::ostream& out, std::ostream& err) {
  ReportUnreadableSettings(paths, [&out](std::string_view text) { out << text << '\n'; });
  CommSettings settings = StoredSettings(paths);
  settings.port = request.port.value_or(settings.port);
  settings.baud = request.baud.value_or(settings.baud);
  DeviceBindings bindings = ReadDeviceBindings(paths);
  if (request.device && !BindDevice(bindings, settings.port, *request.device)) {
    err << "quillon-cli: COM" << settings.port << " cannot be bound to a device; choose --port COM1 to COM4\n"
        << "see quillon-cli settings --help\n";
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
  if (request.reset) {
    unsaved(SaveResetPulse(paths, *request.reset));
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
