#include "cli/serial_numbering.h"

#include "cli/cli_options.h"

namespace quillon::cli {

std::optional<SerialNumbering> SerialNumbering::Plan(const GlobalOptions& options) {
  const SerialOptions& serial = options.serial;
  if (!serial.at) {
    return std::nullopt;
  }
  const std::string& command = options.command;
  if (command != "download" && command != "download-run") {
    throw UsageError("--serial-at is for download and download-run", command);
  }
  if (options.arguments.sector != 0) {
    throw UsageError("--serial-at takes the image from the first sector: leave --sector out", command);
  }
  const std::string& file = options.arguments.file.value_or("-");
  if (file == "-") {
    throw UsageError("--serial-at needs the image in a file, as every board reads it again", command);
  }
  if (serial.start > serial.format.Most()) {
    throw UsageError("--serial-start " + std::to_string(serial.start) + " does not fit " + serial.format.Text(),
                     command);
  }
  const auto size = static_cast<std::size_t>(serial.format.width);
  if (*serial.at + size > 0x10000) {
    throw UsageError("--serial-at: " + serial.format.Text() + " at that address runs past FFFFh", command);
  }
  return SerialNumbering(serial);
}

void SerialNumbering::RequireRoom(const ImageFile& image, const std::string& file, const std::string& command) const {
  if (const std::string refusal = StampRefusal(image, address_, static_cast<std::size_t>(format_.width));
      !refusal.empty()) {
    throw UsageError(file + ": " + refusal, command);
  }
}

std::optional<ImageStamp> SerialNumbering::Take(std::uint64_t& number, std::string& failure) const {
  const auto taken = counter_.Take(format_.Most(), failure);
  if (!taken) {
    return std::nullopt;
  }
  number = *taken;
  return ImageStamp{address_, format_.Bytes(number)};
}

}  // namespace quillon::cli
