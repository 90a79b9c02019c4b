#include "sim/wire_log.h"

#include <cerrno>
#include <system_error>

namespace quillon::sim {

namespace {

// While bytes keep flowing the file still catches up this often.
constexpr std::chrono::milliseconds kSettleEvery{200};

}  // namespace

std::string FormatWireEvent(const WireEvent& event, std::chrono::steady_clock::time_point origin) {
  const double ms = std::chrono::duration<double, std::milli>(event.time - origin).count();
  const char* direction = event.direction == Direction::ToTarget ? "to-target" : "from-target";
  char line[64];
  std::snprintf(line, sizeof line, "+%.3fms %s 0x%02X", ms, direction, static_cast<unsigned>(event.byte));
  return line;
}

WireLog::WireLog(std::size_t capacity, const std::string& path)
    : capacity_(capacity), origin_(Clock::now()), lastSettled_(origin_) {
  if (path.empty()) return;
  file_ = std::fopen(path.c_str(), "w");
  if (!file_) throw std::system_error(errno, std::generic_category(), path);
}

WireLog::~WireLog() {
  if (file_) std::fclose(file_);
}

void WireLog::Record(const WireEvent& event) {
  std::lock_guard lock(mutex_);
  ++(event.direction == Direction::ToTarget ? counts_.toTarget : counts_.fromTarget);
  if (capacity_ > 0) {
    if (events_.size() == capacity_) events_.pop_front();
    events_.push_back(event);
    grown_.notify_all();
  }
  if (!file_) return;
  std::fprintf(file_, "%s\n", FormatWireEvent(event, origin_).c_str());
  unsettled_ = true;
  if (event.time - lastSettled_ >= kSettleEvery) {
    std::fflush(file_);
    unsettled_ = false;
    lastSettled_ = event.time;
  }
}

void WireLog::Settle() {
  std::lock_guard lock(mutex_);
  if (!unsettled_) return;
  std::fflush(file_);
  unsettled_ = false;
  lastSettled_ = Clock::now();
}

std::vector<WireEvent> WireLog::Events() const {
  std::lock_guard lock(mutex_);
  return {events_.begin(), events_.end()};
}

WireCounts WireLog::Counts() const {
  std::lock_guard lock(mutex_);
  return counts_;
}

void WireLog::Clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

bool WireLog::WaitFor(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return grown_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
}

}  // namespace quillon::sim
