#pragma once

#include <filesystem>
#include <string_view>

namespace quillon {

// Gives `file` exactly these bytes, or leaves it as it was: they go to a new file beside
// it, which takes the name only once every byte has reached the disk. A new file gets the
// usual permissions (umask applied), a replaced one keeps its own.
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

}  // namespace quillon
