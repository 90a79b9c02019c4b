#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/serial_counter.h"
#include "image/image_reader.h"
#include "image/image_stamp.h"

namespace quillon::cli {

// The serial numbers a run hands its boards: each board takes the next one from the
// counter right before it is programmed, and carries it at the address in its image.
class SerialNumbering {
 public:
  // What --serial-* asks for, checked against the command line: none without --serial-at.
  // Throws UsageError.
  static std::optional<SerialNumbering> Plan(const GlobalOptions& options);
  // The image, as the download's first sector puts it from address 0, must be blank where
  // the number goes, or no board is touched. Throws UsageError naming the file.
  void RequireRoom(const ImageFile& image, const std::string& file, const std::string& command) const;

  // This board's number and the stamp that carries it; nothing, with the reason, when no
  // number can be taken.
  std::optional<ImageStamp> Take(std::uint64_t& number, std::string& failure) const;

 private:
  SerialNumbering(const SerialOptions& options)
      : address_(*options.at), format_(options.format), counter_(options.counterFile, options.start) {}

  std::uint32_t address_;
  SerialFormat format_;
  SerialCounter counter_;
};

}  // namespace quillon::cli
