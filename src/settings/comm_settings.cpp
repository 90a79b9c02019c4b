#include "settings/comm_settings.h"

#include <charconv>
#include <string>

#include "operator/messages.h"
#include "settings/device_binding.h"
#include "settings/setting_values.h"
#include "transport/serial_port.h"

namespace quillon {

void LoadCommSettings(const AppPaths& paths, SerialPort& port) {
  if (const std::optional<CommSettings> settings = ReadCommSettingsFile(CommSettingsFilePath(paths))) {
    port.SetPortNumber(settings->port);
    port.SetBaudRate(settings->baud);
  }
  ApplyDeviceBinding(ReadDeviceBindings(paths), port);
  if (const auto window = ReadEchoWindow(paths)) {
    port.SetEchoWindow(*window);
  }
}

std::optional<int> ParseEchoWindow(std::string_view text) {
  int window = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), window);
  if (error != std::errc() || end != text.data() + text.size() || window < 1 || window > SerialPort::MaxEchoWindow) {
    return std::nullopt;
  }
  return window;
}

std::optional<int> ReadEchoWindow(const AppPaths& paths) {
  const std::optional<std::string> text = SettingValues(paths).Read(EchoWindowValue);
  return text ? ParseEchoWindow(*text) : std::nullopt;
}

bool SaveEchoWindow(const AppPaths& paths, int window) {
  return SettingValues(paths).WriteSettingValue(EchoWindowValue, std::to_string(window)) == 1;
}

CommSettingsSaved SaveCommSettings(const AppPaths& paths, const CommSettings& settings, const FailureReport& report) {
  SettingValues values(paths);
  CommSettingsSaved saved;
  saved.port = values.WriteSettingValue(CommPortValue, std::to_string(settings.port)) == 1;
  if (!saved.port) {
    report(msg::UnableToSaveConfiguration);
  }
  saved.file = WriteCommSettingsFile(CommSettingsFilePath(paths), settings);
  saved.baud = values.WriteSettingValue(BaudRateValue, std::to_string(settings.baud)) == 1;
  if (!saved.baud) {
    report(msg::UnableToSaveConfiguration);
  }
  return saved;
}

}  // namespace quillon
