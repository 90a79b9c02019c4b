#include "cli/command_input.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "cli/cli_options.h"
#include "settings/regular_file.h"

namespace quillon::cli {

namespace {

// Far more than the text of any image that fits the 64 KB address space.
constexpr std::size_t InputLimit = 16U << 20;

std::error_code ReadStdin(std::string& bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return {errno, std::generic_category()};
    }
    if (got == 0) {
      return {};
    }
    if (bytes.size() + static_cast<std::size_t>(got) > InputLimit) {
      return std::make_error_code(std::errc::file_too_large);
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

std::string ReadCommandInput(const std::string& file, const std::string& command) {
  std::string bytes;
  const std::error_code error = file == "-" ? ReadStdin(bytes) : ReadRegularFile(file, InputLimit, bytes);
  if (error) {
    throw UsageError("cannot read " + (file == "-" ? std::string("stdin") : file) + ": " + error.message(), command);
  }
  return bytes;
}

}  // namespace quillon::cli
