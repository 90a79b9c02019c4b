#include "transport/guarded_queue.h"

#include <system_error>

#include "operator/messages.h"
#include "operator/operator.h"

namespace quillon {

namespace {

bool Lock(std::unique_lock<std::mutex>& lock, OperatorMessages& messages) {
  try {
    lock.lock();
    return true;
  } catch (const std::system_error&) {
    messages.Inform(msg::MutexWaitFailed);
    return false;
  }
}

}  // namespace

int GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte, OperatorMessages& messages) {
  std::unique_lock lock(mutex, std::defer_lock);
  if (!Lock(lock, messages)) {
    return QueueMutexFailed;
  }
  if (queue.IsFull()) {
    lock.unlock();
    messages.Inform(msg::QueueFull);
    return QueueFullOrEmpty;
  }
  if (queue.Put(byte)) {
    return QueueDone;
  }
  messages.Inform(msg::QueueNotFullButUnwritable);
  return QueueInconsistent;
}

int GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte, OperatorMessages& messages) {
  std::unique_lock lock(mutex, std::defer_lock);
  if (!Lock(lock, messages)) {
    return QueueMutexFailed;
  }
  if (queue.IsEmpty()) {
    return QueueFullOrEmpty;
  }
  if (queue.Get(byte)) {
    return QueueDone;
  }
  messages.Inform(msg::QueueNotEmptyButUnreadable);
  return QueueInconsistent;
}

}  // namespace quillon
