#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "sim/config.h"

namespace quillon::sim {

// One text line per byte: milliseconds since the emulator was made, the direction, the byte.
//   +12.345ms to-target 0x05
//   +12.605ms from-target 0x05
// The time is when the byte's last bit has crossed the target's pin, either way: any adapter
// sits between the line and the host, beyond what the target sees.
std::string FormatWireEvent(const WireEvent& event, std::chrono::steady_clock::time_point origin);

// Every byte on the line, kept in memory for tests (the oldest dropped beyond the
// capacity, so a long idle run stays bounded) and, when a path is given, written as text.
class WireLog {
 public:
  using Clock = std::chrono::steady_clock;

  WireLog(std::size_t capacity, const std::string& path);  // throws std::system_error
  ~WireLog();
  WireLog(const WireLog&) = delete;
  WireLog& operator=(const WireLog&) = delete;

  void Record(const WireEvent& event);
  std::vector<WireEvent> Events() const;
  // Every byte recorded, whatever the capacity; Clear() leaves the counts.
  WireCounts Counts() const;
  void Clear();
  bool WaitFor(std::size_t count, std::chrono::milliseconds timeout) const;
  // Pushes buffered lines to the file; called when the line goes quiet, so the file
  // is complete whenever nothing is happening without a write per byte while busy.
  void Settle();

 private:
  const std::size_t capacity_;
  const Clock::time_point origin_;
  mutable std::mutex mutex_;
  mutable std::condition_variable grown_;
  std::deque<WireEvent> events_;
  WireCounts counts_;
  std::FILE* file_ = nullptr;
  bool unsettled_ = false;
  Clock::time_point lastSettled_;
};

}  // namespace quillon::sim
