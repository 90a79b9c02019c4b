#pragma once

#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/host_fixture.h"

namespace quillon::test {

// Debian's ser2net serving devices on 127.0.0.1 only, from a configuration written here;
// stopped by its own pid.
class PortServer {
 public:
  struct Line {
    std::string device;
    bool telnet = true;  // rfc2217:// rather than socket://
  };
  explicit PortServer(const std::vector<Line>& lines);
  ~PortServer() { Kill(); }
  PortServer(const PortServer&) = delete;
  PortServer& operator=(const PortServer&) = delete;

  std::string Url(std::size_t line) const;
  int Port(std::size_t line) const { return ports_.at(line); }
  // Ends the server at once, as a crash or a pulled network cable would.
  void Kill();

 private:
  bool Start();
  std::vector<Line> lines_;
  std::vector<int> ports_;
  TempDir dir_;
  pid_t pid_ = -1;
};

// A TCP relay on 127.0.0.1 that holds every chunk for a while in each direction, as a LAN
// between the host and a port server would.
class Relay {
 public:
  Relay(int targetPort, std::chrono::microseconds hold);
  ~Relay();
  Relay(const Relay&) = delete;
  Relay& operator=(const Relay&) = delete;
  int Port() const { return port_; }
  // Every chunk passed on towards the server so far, with the time it arrived.
  struct Chunk {
    std::chrono::steady_clock::time_point arrived;
    std::string bytes;
  };
  std::vector<Chunk> TowardsServer() const;

 private:
  void Serve();

  int targetPort_;
  std::chrono::microseconds hold_;
  int listener_ = -1;
  int port_ = 0;
  int stop_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Chunk> towardsServer_;
};

// A port on 127.0.0.1 that nothing listens on at the moment.
int FreePort();

}  // namespace quillon::test
