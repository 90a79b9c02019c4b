#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>

namespace quillon {

// Opens a file for reading only when it is a regular one. The open itself never waits:
// a FIFO at the name would hold it until a writer came, and a device would hand out bytes
// without end. The descriptor, or -1 with the reason.
int OpenRegularFile(const std::filesystem::path& file, std::error_code& error);

// All a descriptor has to give, up to its end, of at most `limit` bytes; more is refused.
std::error_code ReadToEnd(int fd, std::size_t limit, std::string& bytes);

// The whole of a regular file of at most `limit` bytes; a longer one is refused.
std::error_code ReadRegularFile(const std::filesystem::path& file, std::size_t limit, std::string& bytes);

}  // namespace quillon
