#pragma once

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

namespace quillon {

// A person's wish that the running operation end now: the window's Stop button, Escape,
// or a signal to quillon-cli. Raise() touches only a lock-free flag and an eventfd, so a
// signal handler and any thread may call it; a wait on a file descriptor polls WakeFd()
// to wake at once, a wait on a condition variable looks at Raised() between short slices.
class StopRequest {
 public:
  StopRequest() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
  ~StopRequest() { ::close(wakeFd_); }
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Raise() {
    raised_.store(true);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
  }
  bool Raised() const { return raised_.load(); }
  // Called as a command begins: a request belongs to the command it was raised during.
  void Clear() {
    raised_.store(false);
    std::uint64_t count = 0;
    [[maybe_unused]] const auto drained = ::read(wakeFd_, &count, sizeof count);
  }
  // Readable while a request is raised.
  int WakeFd() const { return wakeFd_; }

 private:
  static_assert(std::atomic<bool>::is_always_lock_free);
  std::atomic<bool> raised_{false};
  int wakeFd_;
};

}  // namespace quillon
