// CPU use of an idle internal-mode target: a host answers every ready byte with the idle
// byte for a few seconds. The target runs in a child process so that getrusage() gives
// its CPU time alone.
//   sim_idle_cpu [BAUD=38400] [SECONDS=3]

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/emulator.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kReady = 0xF7;
constexpr std::uint8_t kIdle = 0x61;

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// The child: serves until the parent closes its end of the pipe (bounded by a minute).
[[noreturn]] void ServeTarget(unsigned baud, int pathOut, int hangUp) {
  quillon::sim::Config config;
  config.firmware = quillon::sim::Firmware::V11EInt;
  config.baud = baud;
  config.wireLogCapacity = 0;
  {
    quillon::sim::Emulator target(config);
    const std::string path = target.Start() + "\n";
    if (write(pathOut, path.data(), path.size()) != static_cast<ssize_t>(path.size())) std::_Exit(1);
    close(pathOut);
    pollfd wait{hangUp, POLLIN, 0};
    poll(&wait, 1, 60'000);
  }
  std::_Exit(0);
}

// The host: answers every ready byte at once; returns how many it answered.
long AnswerReadyBytes(const std::string& path, std::chrono::seconds span) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios modes{};
  tcgetattr(fd, &modes);
  cfmakeraw(&modes);
  tcsetattr(fd, TCSANOW, &modes);
  long answered = 0;
  const Clock::time_point end = Clock::now() + span;
  for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
    pollfd wait{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count() + 1;
    if (poll(&wait, 1, static_cast<int>(left)) <= 0) continue;
    std::array<std::uint8_t, 64> bytes{};
    const ssize_t got = read(fd, bytes.data(), bytes.size());
    for (ssize_t i = 0; i < got; ++i) {
      if (bytes[static_cast<std::size_t>(i)] != kReady) continue;
      if (write(fd, &kIdle, 1) == 1) ++answered;
    }
  }
  close(fd);
  return answered;
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned baud = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 38400;
  const std::chrono::seconds span(argc > 2 ? std::strtol(argv[2], nullptr, 10) : 3);
  std::array<int, 2> pathPipe{};
  std::array<int, 2> hangUpPipe{};
  if (pipe(pathPipe.data()) != 0 || pipe(hangUpPipe.data()) != 0) return 1;
  const Clock::time_point start = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    close(pathPipe[0]);
    close(hangUpPipe[1]);
    ServeTarget(baud, pathPipe[1], hangUpPipe[0]);
  }
  close(pathPipe[1]);
  close(hangUpPipe[0]);
  std::array<char, 256> buffer{};
  const ssize_t got = read(pathPipe[0], buffer.data(), buffer.size() - 1);
  const std::string line(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
  const std::string path = line.substr(0, line.find('\n'));
  const long answered = AnswerReadyBytes(path, span);
  close(hangUpPipe[1]);
  int status = 0;
  waitpid(child, &status, 0);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double targetCpu = CpuSeconds(RUSAGE_CHILDREN);
  const double hostCpu = CpuSeconds(RUSAGE_SELF);
  std::printf("baud %u, %.2f s: %ld ready bytes answered (%.0f/s)\n", baud, wall, answered,
              static_cast<double>(answered) / wall);
  std::printf("target CPU %.3f s = %.2f %% of a core; host CPU %.2f %%\n", targetCpu, 100 * targetCpu / wall,
              100 * hostCpu / wall);
  return answered > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
