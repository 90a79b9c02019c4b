#include "cli/serial_counter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <thread>

#include "settings/atomic_file.h"

namespace quillon::cli {

namespace {

// The lock is on a file of its own: the counter's name moves to a new file at every
// number, and a lock on the old one would guard nothing.
class CounterLock {
 public:
  explicit CounterLock(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {}
  ~CounterLock() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  CounterLock(const CounterLock&) = delete;
  CounterLock& operator=(const CounterLock&) = delete;

  // Another holder keeps it only for a read and a write, so a short wait between tries is
  // enough; a holder that keeps it past the bound is stuck.
  bool Acquire(std::string& failure) {
    if (fd_ < 0) {
      failure = std::strerror(errno);
      return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + SerialCounter::LockBound;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        failure = std::strerror(errno);
        return false;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        failure =
            "another run has held its lock for more than " + std::to_string(SerialCounter::LockBound.count()) + " s";
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

 private:
  int fd_;
};

// The number the file holds: digits and an optional line end.
std::optional<std::uint64_t> NumberIn(const std::string& text) {
  const std::string digits = text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return number;
}

// The file's text, empty when there is no file yet.
bool ReadCounter(const std::string& path, std::string& text, std::string& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    failure = std::strerror(errno);
    return errno == ENOENT;
  }
  char chunk[64];
  ssize_t got = 0;
  while ((got = ::read(fd, chunk, sizeof chunk)) > 0 && text.size() < 64) {
    text.append(chunk, static_cast<std::size_t>(got));
  }
  if (got < 0) {
    failure = std::strerror(errno);
  }
  ::close(fd);
  return got >= 0;
}

}  // namespace

std::optional<std::uint64_t> SerialCounter::Take(std::uint64_t most, std::string& failure) const {
  CounterLock lock(path_ + ".lock");
  if (!lock.Acquire(failure)) {
    failure = path_ + ".lock: " + failure;
    return std::nullopt;
  }
  std::uint64_t next = start_;
  std::string text;
  if (!ReadCounter(path_, text, failure)) {
    failure = path_ + ": " + failure;
    return std::nullopt;
  }
  if (!text.empty()) {
    const auto number = NumberIn(text);
    if (!number) {
      failure = path_ + " holds no serial number";
      return std::nullopt;
    }
    next = *number;
  }
  if (next > most) {
    failure = "the next serial number in " + path_ + ", " + std::to_string(next) + ", is above " + std::to_string(most);
    return std::nullopt;
  }
  if (const std::error_code error = WriteFileAtomically(path_, std::to_string(next + 1) + "\n", {0644}); error) {
    failure = path_ + ": " + error.message();
    return std::nullopt;
  }
  return next;
}

}  // namespace quillon::cli
