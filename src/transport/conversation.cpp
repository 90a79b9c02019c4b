#include "transport/conversation.h"

#include <algorithm>

namespace quillon {

CommandShape QueuedConversation::ShapeOf(std::uint8_t code) const {
  const auto found = std::find_if(shapes.begin(), shapes.end(), [&](const CommandShape& s) { return s.code == code; });
  if (found != shapes.end()) {
    return *found;
  }
  CommandShape plain;
  plain.code = code;
  return plain;
}

}  // namespace quillon
