#pragma once

#include "operator/outcome.h"

namespace quillon {

// A command's exit status, as quillon-cli ends with it and as every results log line
// records it, whichever program ran the command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

constexpr int ExitStatusOf(Outcome outcome) {
  return outcome == Outcome::Done || outcome == Outcome::Warning ? ExitOk : ExitFailed;
}

}  // namespace quillon
