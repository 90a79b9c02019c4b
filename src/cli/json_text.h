#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// A JSON string for any bytes: quotes, backslashes and control characters escaped, and
// every byte that is not part of well-formed UTF-8 replaced by U+FFFD, so that a line
// stays valid JSON whatever a file name or a target's reply held.
std::string JsonString(std::string_view text);

// An array of values that are JSON already.
std::string JsonArray(const std::vector<std::string>& values);
std::string JsonStrings(const std::vector<std::string>& texts);

// One JSON object on one line, members in the order they are added.
class JsonObject {
 public:
  JsonObject& Text(std::string_view key, std::string_view value);
  JsonObject& Integer(std::string_view key, std::int64_t value);
  JsonObject& Seconds(std::string_view key, double value);
  // A value that is JSON already: an array, an object, null.
  JsonObject& Value(std::string_view key, std::string_view json);
  std::string Json() const { return body_ + "}"; }

 private:
  std::string body_ = "{";
};

}  // namespace quillon::cli
