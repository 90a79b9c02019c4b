#include "protocol/queued_conversation.h"

#include "protocol/commands.h"

namespace quillon {

const QueuedConversation& QueuedLinkConversation() {
  using Watchdog = CommandShape::Watchdog;
  static const QueuedConversation conversation{
      QRV_READY,
      QRV_IDLE,
      {
          // code, send operands, receive count, receive one, count follows, operands, closed by ready
          {QRV_CMD_READ_STATUS, true, false, true, false, 1, false, Watchdog::Arm},
          {QRV_CMD_WRITE, true, false, true, true, 3, false, Watchdog::Keep},
          {QRV_CMD_ERASE, true, false, true, false, 3, false, Watchdog::Keep},
          {QRV_CMD_READ, true, true, false, true, 3, true, Watchdog::Keep},
          {QRV_CMD_BURST_WRITE, true, false, false, true, 3, false, Watchdog::Keep},
          {QRV_CMD_READ_ID, false, true, false, false, 3, false, Watchdog::Keep},
          // The target leaves its boot loader and sends no more ready bytes.
          {QRV_CMD_RUN, true, false, false, false, 1, false, Watchdog::Disarm},
      }};
  return conversation;
}

}  // namespace quillon
