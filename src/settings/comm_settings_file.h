#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "settings/app_paths.h"

namespace quillon {

// The configured port number and baud rate, as the operator chose them.
struct CommSettings {
  int port = 1;
  unsigned baud = 38400;

  bool operator==(const CommSettings&) const = default;
};

// The one-line settings file: exactly "COM%1d BAUD%d $$", no line end. Older hosts read the
// same bytes, so the layout stays as it always was.
inline constexpr std::string_view CommSettingsFileName = "QrvBslComDft.txt";
inline constexpr std::size_t CommSettingsFileMinimumLength = 11;
inline constexpr std::size_t CommSettingsFileMaximumLength = 19;

std::filesystem::path CommSettingsFilePath(const AppPaths& paths);

std::string FormatCommSettings(const CommSettings& settings);
// Nothing when the bytes are not a settings file; the numbers themselves are not checked.
std::optional<CommSettings> ParseCommSettings(std::string_view bytes);

// Nothing when the file is missing, unreadable or not a settings file.
std::optional<CommSettings> ReadCommSettingsFile(const std::filesystem::path& file);
// Replaces the file whole, making its directory (0700) when missing; the reason when it cannot.
std::error_code WriteCommSettingsFile(const std::filesystem::path& file, const CommSettings& settings);

}  // namespace quillon
