#include "transport/byte_queue.h"

namespace quillon {

bool CByteQueue::Put(std::uint8_t byte) {
  if (IsFull()) {
    return false;
  }
  storage_[writeIndex_] = byte;
  writeIndex_ = Next(writeIndex_);
  return true;
}

bool CByteQueue::Get(std::uint8_t& byte) {
  if (IsEmpty()) {
    return false;
  }
  byte = storage_[readIndex_];
  readIndex_ = Next(readIndex_);
  return true;
}

}  // namespace quillon
