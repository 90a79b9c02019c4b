#pragma once

namespace quillon {

// How a command of the window ended, for a caller that acts on it rather than on the
// words shown: quillon-cli takes its exit status from it.
enum class Outcome {
  Done,      // did what was asked
  Warning,   // did it, with something the person was told to heed
  Declined,  // the person said no, or cancelled
  Failed,    // did not happen as asked
  Stopped,   // the person stopped it on the way; what was done so far has been said
};

// The graver of two outcomes: a command that met several keeps the worst.
constexpr Outcome Graver(Outcome a, Outcome b) { return a > b ? a : b; }

}  // namespace quillon
