#pragma once

// An emulator serving its pty, with a plain terminal program on the slave side: raw mode
// and bounded reads, nothing of the host's own port code.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/emulator.h"
#include "support/host_fixture.h"

namespace quillon::sim {

inline void PrintTo(Firmware firmware, std::ostream* out) {
  *out << (firmware == Firmware::V11D ? "v1.1d" : firmware == Firmware::V11EExt ? "v1.1e-ext" : "v1.1e-int");
}

}  // namespace quillon::sim

namespace quillon::sim::testing {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
constexpr std::uint8_t kReady = 0xF7;

using test::Join;

class PtyClient {
 public:
  explicit PtyClient(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios modes{};
    tcgetattr(fd_, &modes);
    cfmakeraw(&modes);
    tcsetattr(fd_, TCSANOW, &modes);
  }
  ~PtyClient() { close(fd_); }

  void Send(const Bytes& bytes) const {
    if (write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      throw std::runtime_error("short write");
  }

  // Up to count bytes, whatever has come when the timeout ends; with quiet, the timeout
  // starts again with every chunk that comes.
  Bytes Receive(std::size_t count, milliseconds timeout = milliseconds(2000), bool quiet = false) const {
    Bytes bytes;
    Clock::time_point end = Clock::now() + timeout;
    for (std::uint8_t chunk[256]; bytes.size() < count;) {
      pollfd wait{fd_, POLLIN, 0};
      const auto left = std::chrono::ceil<milliseconds>(end - Clock::now()).count();
      if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0) break;
      const ssize_t got = read(fd_, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (got <= 0) break;
      bytes.insert(bytes.end(), chunk, chunk + got);
      if (quiet) end = Clock::now() + timeout;
    }
    return bytes;
  }
  // Whatever arrives before the line has been quiet for the given time.
  Bytes Drain(milliseconds quiet = milliseconds(25)) const { return Receive(SIZE_MAX, quiet, true); }

 private:
  int fd_;
};

struct RunningTarget {
  explicit RunningTarget(Config config) : emulator(std::move(config)), client(emulator.Start()) {}

  Emulator emulator;
  PtyClient client;
};

inline Config ConfigFor(
    Firmware firmware, Chip chip = Chip::A32, void (*change)(Config&) = [](Config&) {}) {
  Config config;
  config.firmware = firmware;
  config.chip = chip;
  // Tests that want the repeated ready byte ask for it; elsewhere it would only get in the way.
  config.readyRepeat = std::chrono::seconds(30);
  change(config);
  return config;
}

}  // namespace quillon::sim::testing
