#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "settings/app_paths.h"

namespace quillon {

// Where the values that other hosts keep in the registry live here: a small text file of
// NAME=text lines (lines without '=' are ignored and not kept), rewritten whole and
// atomically on every change so that a crash never leaves it half written.
inline constexpr std::string_view SettingValuesFileName = "registry.ini";
inline constexpr std::string_view CommPortValue = "COMMPORT";
inline constexpr std::string_view BaudRateValue = "BAUDRATE";
// How many bytes the direct links send ahead of their echoes; absent means one.
inline constexpr std::string_view EchoWindowValue = "ECHOWINDOW";
// The fixture's reset line, as --reset writes it; absent means none.
inline constexpr std::string_view ResetLineValue = "RESETLINE";

class SettingValues {
 public:
  explicit SettingValues(std::filesystem::path file) : file_(std::move(file)) {}
  explicit SettingValues(const AppPaths& paths) : SettingValues(paths.configDir / SettingValuesFileName) {}

  const std::filesystem::path& File() const { return file_; }
  std::optional<std::string> Read(std::string_view name) const;

  // Nothing when the value was stored, otherwise why not. A text of 32 characters or more
  // keeps only its first 30, as the registry writer of older hosts did.
  std::error_code WriteSettingValue(std::string_view name, std::string_view text);

  // Stores several values in one rewrite; a failure leaves the file as it was. A name or
  // text that would not read back the same is refused as an invalid argument.
  std::error_code Write(const std::map<std::string, std::string, std::less<>>& values);

 private:
  using Values = std::map<std::string, std::string, std::less<>>;
  // Nothing, with the reason, when the file exists but cannot be read: rewriting it then
  // would lose values.
  std::optional<Values> Load(std::error_code& error) const;

  std::filesystem::path file_;
};

}  // namespace quillon
