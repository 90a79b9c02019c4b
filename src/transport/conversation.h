#pragma once

#include <cstdint>
#include <vector>

namespace quillon {

// What the link worker does after writing a command byte: how many operand bytes follow,
// whether the last operand is a count of data bytes to send or of reply bytes to take,
// and whether one reply byte closes the command. A reply closed by the target's next
// ready byte is handed over only once that byte has come: a byte lost or added on the
// line would otherwise pass the ready byte off as data.
struct CommandShape {
  enum class Watchdog { Keep, Arm, Disarm };

  std::uint8_t code = 0;
  bool sendOperands = false;
  bool receiveCount = false;
  bool receiveOne = false;
  bool countFollows = false;
  std::uint32_t operands = 0;
  bool closedByReady = false;
  // Whether the command restarts the watch for a lost link, or ends it because the target
  // stops talking after it.
  Watchdog watchdog = Watchdog::Keep;
};

// The boot loader's side of the queued conversation, as the worker needs to know it: the
// byte that asks for a command, the byte that answers it when none is queued, and the
// shape of every command that has operands or a reply. Any other byte has neither.
struct QueuedConversation {
  std::uint8_t ready = 0;
  std::uint8_t idle = 0;
  std::vector<CommandShape> shapes;

  CommandShape ShapeOf(std::uint8_t code) const;
};

}  // namespace quillon
