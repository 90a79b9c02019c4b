#pragma once

#include <cstdint>
#include <mutex>

#include "transport/byte_queue.h"

namespace quillon {

class OperatorMessages;

// Results of the guarded queue operations.
enum QueueResult : int {
  QueueDone = 1,
  QueueInconsistent = 2,
  QueueFullOrEmpty = 3,
  QueueMutexFailed = 4,
};

// One byte in or out under the queue's own mutex, with the operator told of anything
// but an empty queue on a get, which only means that nothing has arrived yet.
int GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte, OperatorMessages& messages);
int GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte, OperatorMessages& messages);

}  // namespace quillon
