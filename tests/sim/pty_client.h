#pragma once

// A plain terminal program on the slave side of the emulator's pty: raw mode and bounded
// reads, nothing of the host's own port code.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::sim::testing {

using Bytes = std::vector<std::uint8_t>;

class PtyClient {
 public:
  using Clock = std::chrono::steady_clock;

  explicit PtyClient(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios modes{};
    tcgetattr(fd_, &modes);
    cfmakeraw(&modes);
    tcsetattr(fd_, TCSANOW, &modes);
  }
  ~PtyClient() { close(fd_); }
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  void Send(const Bytes& bytes) const {
    if (write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      throw std::runtime_error("short write");
    }
  }

  // Up to count bytes, whatever has come when the timeout ends.
  Bytes Receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(2)) const {
    Bytes bytes;
    const Clock::time_point end = Clock::now() + timeout;
    while (bytes.size() < count && WaitReadable(end)) {
      std::uint8_t chunk[256];
      const std::size_t wanted = std::min(sizeof chunk, count - bytes.size());
      const ssize_t got = read(fd_, chunk, wanted);
      if (got <= 0) break;
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
  }

  // Whatever arrives before the line has been quiet for the given time.
  Bytes Drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(25)) const {
    Bytes bytes;
    for (;;) {
      const Bytes more = Receive(256, quiet);
      if (more.empty()) return bytes;
      bytes.insert(bytes.end(), more.begin(), more.end());
    }
  }

 private:
  bool WaitReadable(Clock::time_point end) const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return false;
    pollfd wait{fd_, POLLIN, 0};
    return poll(&wait, 1, static_cast<int>(left)) > 0;
  }

  int fd_;
};

}  // namespace quillon::sim::testing
