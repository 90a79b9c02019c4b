#include "cli/command_input.h"

#include <unistd.h>

#include <system_error>

#include "cli/cli_options.h"
#include "settings/regular_file.h"

namespace quillon::cli {

namespace {

// Far more than the text of any image that fits the 64 KB address space.
constexpr std::size_t InputLimit = 16U << 20;

}  // namespace

std::string ReadCommandInput(const std::string& file, const std::string& command) {
  std::string bytes;
  const std::error_code error =
      file == "-" ? ReadToEnd(STDIN_FILENO, InputLimit, bytes) : ReadRegularFile(file, InputLimit, bytes);
  if (error) {
    throw UsageError("cannot read " + (file == "-" ? std::string("stdin") : file) + ": " + error.message(), command);
  }
  return bytes;
}

}  // namespace quillon::cli
