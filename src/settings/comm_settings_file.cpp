#include "settings/comm_settings_file.h"

#include <cstdint>

#include "settings/atomic_file.h"
#include "settings/regular_file.h"

namespace quillon {

namespace {

constexpr std::size_t PortDigitsAt = 3;
constexpr std::size_t BaudLetterAt = 5;
constexpr std::size_t BaudDigitsAt = 9;

// Digits up to the first other byte; none reads as 0. A hand-edited file may hold more
// digits than 32 bits carry: the value wraps, as the port layer's unsigned field would.
std::uint32_t NumberAt(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (; at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9'; ++at) {
    value = value * 10u + static_cast<std::uint32_t>(bytes[at] - '0');
  }
  return value;
}

bool LengthAccepted(std::size_t length) {
  return length >= CommSettingsFileMinimumLength && length <= CommSettingsFileMaximumLength;
}

}  // namespace

std::filesystem::path CommSettingsFilePath(const AppPaths& paths) { return paths.configDir / CommSettingsFileName; }

std::string FormatCommSettings(const CommSettings& settings) {
  return "COM" + std::to_string(settings.port) + " BAUD" + std::to_string(settings.baud) + " $$";
}

std::optional<CommSettings> ParseCommSettings(std::string_view bytes) {
  if (!LengthAccepted(bytes.size()) || bytes.substr(0, 3) != "COM" || bytes.substr(BaudLetterAt, 4) != "BAUD") {
    return std::nullopt;
  }
  return CommSettings{static_cast<int>(NumberAt(bytes, PortDigitsAt)), NumberAt(bytes, BaudDigitsAt)};
}

std::optional<CommSettings> ReadCommSettingsFile(const std::filesystem::path& file) {
  std::string bytes;
  return ReadRegularFile(file, CommSettingsFileMaximumLength, bytes) ? std::nullopt : ParseCommSettings(bytes);
}

std::error_code WriteCommSettingsFile(const std::filesystem::path& file, const CommSettings& settings) {
  if (const std::error_code error = EnsurePrivateDirectory(file.parent_path())) {
    return error;
  }
  return WriteFileAtomically(file, FormatCommSettings(settings));
}

}  // namespace quillon
