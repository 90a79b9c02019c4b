#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

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

class SettingValues {
 public:
  explicit SettingValues(std::filesystem::path file) : file_(std::move(file)) {}
  explicit SettingValues(const AppPaths& paths) : SettingValues(paths.configDir / SettingValuesFileName) {}

  std::optional<std::string> Read(std::string_view name) const;

  // 1 when the value was stored, 0 otherwise. A text of 32 characters or more keeps only
  // its first 30, as the registry writer of older hosts did.
  int WriteSettingValue(std::string_view name, std::string_view text);

  // Stores several values in one rewrite; false leaves the file as it was.
  bool Write(const std::map<std::string, std::string, std::less<>>& values);

 private:
  using Values = std::map<std::string, std::string, std::less<>>;
  // Nothing when the file exists but cannot be read: rewriting it then would lose values.
  std::optional<Values> Load() const;

  std::filesystem::path file_;
};

}  // namespace quillon
