#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// A fixture that wires DTR or RTS to the chip's reset: the line is raised for a while and
// lowered again as the port opens, so that the boot loader has just started when the
// detection begins.
struct ResetPulse {
  enum class Line { None, Dtr, Rts };
  Line line = Line::None;
  std::chrono::milliseconds length{100};

  bool operator==(const ResetPulse&) const = default;
};

inline constexpr std::chrono::milliseconds MaxResetPulse{10000};

// "dtr", "rts", "dtr:MS" or "rts:MS" (MS 1 to 10000), or "none"; nothing for anything else.
std::optional<ResetPulse> ParseResetPulse(std::string_view text);
// The text that ParseResetPulse reads back to the same pulse.
std::string ResetPulseText(const ResetPulse& pulse);

}  // namespace quillon
