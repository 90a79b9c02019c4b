#include "settings/comm_settings.h"

#include <unistd.h>

#include <charconv>
#include <set>
#include <string>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "settings/atomic_file.h"
#include "settings/device_binding.h"
#include "settings/regular_file.h"
#include "settings/setting_values.h"
#include "transport/serial_port.h"

namespace quillon {

void LoadCommSettings(const AppPaths& paths, SerialPort& port, const FailureReport& report) {
  ReportUnreadableSettings(paths, report);
  if (const std::optional<CommSettings> settings = ReadCommSettingsFile(CommSettingsFilePath(paths))) {
    port.SetPortNumber(settings->port);
    port.SetBaudRate(settings->baud);
  }
  ApplyDeviceBinding(ReadDeviceBindings(paths), port);
  if (const auto window = ReadEchoWindow(paths)) {
    port.SetEchoWindow(*window);
  }
  if (const auto pulse = ReadResetPulse(paths)) {
    port.SetResetPulse(*pulse);
  }
}

std::optional<unsigned> ParseBaudRate(std::string_view text) {
  for (const unsigned rate : {2400U, 4800U, 9600U, 19200U, 38400U}) {
    if (text == std::to_string(rate)) {
      return rate;
    }
  }
  return std::nullopt;
}

void ReportUnreadableSettings(const AppPaths& paths, const FailureReport& report) {
  for (const std::filesystem::path& file : {CommSettingsFilePath(paths), SettingValues(paths).File()}) {
    std::error_code error;
    const int fd = OpenRegularFile(file, error);
    if (fd >= 0) {
      ::close(fd);
    } else if (error != std::errc::no_such_file_or_directory) {
      report(Formatted(msg::CannotOpenNamedFileFormat, file.c_str(), error.message().c_str()));
    }
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

std::error_code SaveEchoWindow(const AppPaths& paths, int window) {
  return SettingValues(paths).WriteSettingValue(EchoWindowValue, std::to_string(window));
}

CommSettingsSaved SaveCommSettings(const AppPaths& paths, const CommSettings& settings, const FailureReport& report) {
  SettingValues values(paths);
  std::set<std::string, std::less<>> told;
  const auto failed = [&](const std::filesystem::path& file, std::error_code error) {
    if (error) {
      std::string text = WriteFailureText(file, error);
      if (!told.contains(text)) {
        report(text);
        told.insert(std::move(text));
      }
    }
    return static_cast<bool>(error);
  };
  CommSettingsSaved saved;
  saved.port = !failed(values.File(), values.WriteSettingValue(CommPortValue, std::to_string(settings.port)));
  if (!saved.port) {
    report(msg::UnableToSaveConfiguration);
  }
  const std::filesystem::path file = CommSettingsFilePath(paths);
  saved.file = !failed(file, WriteCommSettingsFile(file, settings));
  saved.baud = !failed(values.File(), values.WriteSettingValue(BaudRateValue, std::to_string(settings.baud)));
  if (!saved.baud) {
    report(msg::UnableToSaveConfiguration);
  }
  return saved;
}

std::optional<ResetPulse> ReadResetPulse(const AppPaths& paths) {
  const std::optional<std::string> text = SettingValues(paths).Read(ResetLineValue);
  return text ? ParseResetPulse(*text) : std::nullopt;
}

std::error_code SaveResetPulse(const AppPaths& paths, const ResetPulse& pulse) {
  return SettingValues(paths).WriteSettingValue(ResetLineValue, ResetPulseText(pulse));
}

}  // namespace quillon
