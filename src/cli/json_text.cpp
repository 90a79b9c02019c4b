#include "cli/json_text.h"

#include <cstdio>

namespace quillon::cli {

namespace {

constexpr std::string_view Replacement = "\\ufffd";

bool Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at the start of text, or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  }
  if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t i = 2; i < length; ++i) {
    if (!Continuation(byte(i))) {
      return 0;
    }
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text.front());
    std::size_t taken = 1;
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c == '\n') {
      json += "\\n";
    } else if (c == '\r') {
      json += "\\r";
    } else if (c == '\t') {
      json += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      json += escaped;
    } else if (c < 0x80) {
      json += static_cast<char>(c);
    } else if ((taken = SequenceLength(text)) != 0) {
      json += text.substr(0, taken);
    } else {
      json += Replacement;
      taken = 1;
    }
    text.remove_prefix(taken);
  }
  return json + "\"";
}

std::string JsonArray(const std::vector<std::string>& values) {
  std::string json = "[";
  for (const std::string& value : values) {
    if (json.size() > 1) {
      json += ',';
    }
    json += value;
  }
  return json + "]";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
  std::vector<std::string> values;
  for (const std::string& text : texts) {
    values.push_back(JsonString(text));
  }
  return JsonArray(values);
}

JsonObject& JsonObject::Value(std::string_view key, std::string_view json) {
  if (body_.size() > 1) {
    body_ += ',';
  }
  body_ += JsonString(key);
  body_ += ':';
  body_ += json;
  return *this;
}

JsonObject& JsonObject::Text(std::string_view key, std::string_view value) { return Value(key, JsonString(value)); }

JsonObject& JsonObject::Integer(std::string_view key, std::int64_t value) { return Value(key, std::to_string(value)); }

JsonObject& JsonObject::Seconds(std::string_view key, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return Value(key, text);
}

}  // namespace quillon::cli
