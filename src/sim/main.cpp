#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/emulator.h"

using quillon::sim::CommandLine;

int main(int argc, char** argv) {
  CommandLine line;
  try {
    line = quillon::sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const quillon::sim::UsageError& error) {
    std::fprintf(stderr, "quillon-sim: %s\n%sTry quillon-sim --help.\n", error.what(), quillon::sim::Usage().c_str());
    return 2;
  }
  if (line.help) {
    std::fputs(quillon::sim::Help().c_str(), stdout);
    return 0;
  }
  if (line.version) {
    std::printf("quillon-sim %s\n", QUILLON_VERSION);
    return 0;
  }
  // Only the file log is read here; in memory it would just grow while the target serves.
  line.config.wireLogCapacity = 0;

  // Blocked before the serving thread starts, so that the signals come only to sigtimedwait.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    quillon::sim::Emulator emulator(line.config);
    std::printf("%s\n", emulator.Start().c_str());
    std::fflush(stdout);
    for (;;) {
      const timespec wake{60, 0};
      const int signal = sigtimedwait(&signals, nullptr, &wake);
      if (signal == SIGUSR1) emulator.Reset();
      if (signal == SIGINT || signal == SIGTERM) break;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-sim: %s\n", error.what());
    return 1;
  }
  return 0;
}
