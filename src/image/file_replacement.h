#pragma once

#include <filesystem>
#include <string_view>
#include <system_error>

namespace quillon {

// Gives `file` exactly these bytes, or leaves it as it was and says why: they go to a new
// file beside it, which takes the name only once every byte has reached the disk, and so
// does the name. A new file gets the usual permissions (umask applied), a replaced one
// keeps its own. A link is followed and the file behind it replaced, so the link stays; a
// device or a FIFO has nothing to replace and is written in place, as far as it takes the
// bytes within a bound; a FIFO that nobody reads is refused at once.
std::error_code ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace quillon
