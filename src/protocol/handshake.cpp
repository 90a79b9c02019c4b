#include "protocol/commands.h"
#include "protocol/iap_device.h"

namespace quillon {

void CIapDevice::NoteStopDuringDetection() {
  if (StopRequested()) {
    NoteStop({StopPoint::Work::Detecting, 0, 0, 0, true});
  }
}

int CIapDevice::HandshakeQueued(std::uint8_t& status) {
  stopPoint_.reset();
  const auto start = Clock::now();
  const auto limit = GetTiming().handshake;
  for (;;) {
    const auto queues = link_.queues;
    if (link_.LinkLost || !queues) {
      return 0;
    }
    if (GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_READ_STATUS) != QueueDone ||
        GuardedPut(queues->OperandQueue, queues->OperandMutex, QRV_STATUS_OPERAND) != QueueDone) {
      return 0;
    }
    std::uint8_t reply = 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (AwaitReply(reply, limit - elapsed, OnStop::GiveUp) != 1) {
      NoteStopDuringDetection();
      return 0;
    }
    if (reply != QRV_READY) {
      status = reply;
      SetConnected();
      return 1;
    }
    if (Clock::now() - start >= limit) {
      return 0;
    }
  }
}

// The boot loader may repeat the command byte before its status. A target that only
// ever repeats it, or falls silent, has not answered: the loop is bounded and a status
// byte that never came is no status at all.
int CIapDevice::HandshakeDirect(std::uint8_t& status) {
  stopPoint_.reset();
  constexpr int maxRepeatedCommandBytes = 32;
  if (WriteByte(QRV_CMD_READ_STATUS) != 1) {
    return 0;
  }
  for (int skipped = 0; skipped <= maxRepeatedCommandBytes; ++skipped) {
    std::uint8_t reply = 0;
    if (ReadByte(reply) != 1 || StopRequested()) {
      NoteStopDuringDetection();
      return 0;
    }
    if (reply != QRV_CMD_READ_STATUS) {
      status = reply;
      SetConnected();
      return 1;
    }
  }
  return 0;
}

}  // namespace quillon
