#include "settings/comm_settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "settings/atomic_file.h"

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

// The whole file, or nothing when it cannot be read or its length is outside the window.
// Only a regular file counts: opening a FIFO left at the name must not hang the start.
std::optional<std::string> ReadSmallFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    return std::nullopt;
  }
  std::optional<std::string> bytes;
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      LengthAccepted(static_cast<std::size_t>(status.st_size))) {
    std::string buffer(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t filled = 0;
    while (filled < buffer.size()) {
      const ssize_t got = ::read(fd, buffer.data() + filled, buffer.size() - filled);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        break;
      }
      filled += static_cast<std::size_t>(got);
    }
    buffer.resize(filled);
    bytes = std::move(buffer);
  }
  ::close(fd);
  return bytes;
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
  const std::optional<std::string> bytes = ReadSmallFile(file);
  return bytes ? ParseCommSettings(*bytes) : std::nullopt;
}

std::error_code WriteCommSettingsFile(const std::filesystem::path& file, const CommSettings& settings) {
  if (const std::error_code error = EnsurePrivateDirectory(file.parent_path())) {
    return error;
  }
  return WriteFileAtomically(file, FormatCommSettings(settings));
}

}  // namespace quillon
