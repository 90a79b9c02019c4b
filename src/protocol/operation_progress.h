#pragma once

#include <string_view>

#include "operator/messages.h"
#include "operator/operator.h"

namespace quillon {

// Every flash operation shows its work the same way: a range of units of so many bytes,
// an empty bar and its label at the start, one step per unit, and an empty bar labelled
// by the outcome at the end, left so until the next operation.
inline void BeginProgress(OperatorProgress& view, int units, int unitBytes, std::string_view label) {
  view.ProgressStageBegin(units, unitBytes, label);
}

// Returns the operation's result: 0 when it succeeded, -1 otherwise.
inline int EndProgress(OperatorProgress& view, bool succeeded) {
  view.ProgressStageEnd(succeeded ? msg::Done : msg::Abort);
  return succeeded ? 0 : -1;
}

}  // namespace quillon
