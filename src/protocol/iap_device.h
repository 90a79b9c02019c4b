#pragma once

#include <cstdint>

#include "transport/guarded_queue.h"
#include "transport/link_state.h"
#include "transport/serial_port.h"

namespace quillon {

class Operator;

// The host-side proxy of the target: the serial line, the command frame, the queues of
// the queued link and the flash operations built on them.
class CIapDevice : public SerialPort {
 public:
  CIapDevice(Operator& owner, LinkState& link);

  // Four bytes: command, address high, address low, data. Written with echo check in the
  // direct links, queued for the link worker in the queued link; never waits for a reply.
  int SendFrame(std::uint8_t command, std::uint32_t address, std::uint8_t data);

  int GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte);
  int GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte);

  Operator& Window() const { return window_; }
  LinkState& Link() const { return link_; }

 private:
  Operator& window_;
  LinkState& link_;
};

}  // namespace quillon
