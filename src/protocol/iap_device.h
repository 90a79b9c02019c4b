#pragma once

#include <chrono>
#include <cstdint>

#include "transport/guarded_queue.h"
#include "transport/link_state.h"
#include "transport/serial_port.h"

namespace quillon {

class OperatorFeedback;

// The host-side proxy of the target: the serial line, the command frame, the queues of
// the queued link and the flash operations built on them.
class CIapDevice : public SerialPort {
 public:
  CIapDevice(OperatorFeedback& owner, LinkState& link);

  // Four bytes: command, address high, address low, data. Written with echo check in the
  // direct links, queued for the link worker in the queued link; never waits for a reply.
  int SendFrame(std::uint8_t command, std::uint32_t address, std::uint8_t data);

  // The status handshake: 1 with the status byte and the connected flag set, or 0.
  int HandshakeQueued(std::uint8_t& status);
  int HandshakeDirect(std::uint8_t& status);

  // The next reply byte of the queued link: 1 with the byte, 0 when the link is lost, the
  // limit passes or the queue fails. Sleeps until a byte arrives, keeping a window alive.
  int AwaitReply(std::uint8_t& byte, std::chrono::milliseconds limit);

  // Flash operations. Each drives the window's progress hooks and returns 0, or -1 on
  // failure, except ReadFlash (bytes stored, whole chunks only) and RunUserCode and the
  // two single-step sends (1 done, 0 failed).
  int EraseSectors(int start, int stride, int count);
  int ChipErase();
  int WriteFlash(int start, int sectorSize, const std::uint8_t* data, int total);
  int ReadFlash(std::uint8_t* destination, int start, int total, int chunk);
  int CompareFlash(int start, int chunk, const std::uint8_t* image, int total, int& mismatchAddress,
                   int& mismatchPair);
  int SendLockByte(std::uint8_t selector);
  int SendRemapByte(std::uint8_t selector);
  int SetLock(int option);
  int SetRemap(int option);
  int RunUserCode();

  int GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte);
  int GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte);

  OperatorFeedback& Window() const { return window_; }
  LinkState& Link() const { return link_; }

 private:
  OperatorFeedback& window_;
  LinkState& link_;
};

}  // namespace quillon
