#pragma once

#include <array>
#include <cstdint>

namespace quillon {

// A fixed ring of bytes between the user thread and the link worker. One slot always
// stays free so that "empty" and "full" can be told apart without a counter: it holds
// at most Capacity - 1 bytes. It has no lock of its own; see guarded_queue.h.
class CByteQueue {
 public:
  static constexpr std::uint32_t Capacity = 4096;

  virtual ~CByteQueue() = default;

  bool Put(std::uint8_t byte);
  bool Get(std::uint8_t& byte);
  bool IsEmpty() const { return readIndex_ == writeIndex_; }
  bool IsFull() const { return Next(writeIndex_) == readIndex_; }

 private:
  static constexpr std::uint32_t Next(std::uint32_t index) { return (index + 1) & (Capacity - 1); }

  std::array<std::uint8_t, Capacity> storage_{};
  std::uint32_t readIndex_ = 0;
  std::uint32_t writeIndex_ = 0;
};

}  // namespace quillon
