#pragma once

#include <string>

namespace quillon::cli {

// All of the file a command reads, or of stdin for "-", taken before any port is opened,
// so that a pipe is read once and a file that cannot be read costs no board a reset.
// Only a regular file is read: a FIFO, a device or a directory at the name is refused
// rather than waited on. Throws a UsageError of the command naming the file and why.
std::string ReadCommandInput(const std::string& file, const std::string& command);

}  // namespace quillon::cli
