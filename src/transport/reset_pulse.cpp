#include "transport/reset_pulse.h"

#include <charconv>

namespace quillon {

std::optional<ResetPulse> ParseResetPulse(std::string_view text) {
  ResetPulse pulse;
  if (text == "none") {
    return pulse;
  }
  const std::string_view line = text.substr(0, text.find(':'));
  if (line == "dtr") {
    pulse.line = ResetPulse::Line::Dtr;
  } else if (line == "rts") {
    pulse.line = ResetPulse::Line::Rts;
  } else {
    return std::nullopt;
  }
  if (line.size() < text.size()) {
    const std::string_view digits = text.substr(line.size() + 1);
    long long length = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (error != std::errc() || end != digits.data() + digits.size() || length < 1 || length > MaxResetPulse.count()) {
      return std::nullopt;
    }
    pulse.length = std::chrono::milliseconds(length);
  }
  return pulse;
}

std::string ResetPulseText(const ResetPulse& pulse) {
  if (pulse.line == ResetPulse::Line::None) {
    return "none";
  }
  return std::string(pulse.line == ResetPulse::Line::Dtr ? "dtr:" : "rts:") + std::to_string(pulse.length.count());
}

}  // namespace quillon
