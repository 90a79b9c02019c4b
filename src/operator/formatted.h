#pragma once

#include <cstdio>
#include <string>

namespace quillon {

// A printf-formatted text of any length, for the catalogue's formats.
template <typename... Args>
std::string Formatted(const char* format, Args... args) {
  const int length = std::snprintf(nullptr, 0, format, args...);
  if (length <= 0) {
    return {};
  }
  std::string text(static_cast<std::size_t>(length), '\0');
  std::snprintf(text.data(), text.size() + 1, format, args...);
  return text;
}

}  // namespace quillon
