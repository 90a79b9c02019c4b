#pragma once

#include <cstddef>

namespace quillon {
class StopRequest;
}

namespace quillon::cli {

// SIGINT, SIGTERM and SIGHUP raise the stop request of every window that is open, so that
// each board's operation ends where it stands, says so, and its port is closed as after
// any command. A second signal ends the program at once. The windows are kept in a fixed
// table of atomic slots: the handler takes no lock and allocates nothing.
void InstallStopSignals();

// The first of those signals that came, or 0.
int ReceivedStopSignal();

// The exit status a signal asks for: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP.
constexpr int ExitStatusOfSignal(int signal) { return 128 + signal; }

// A window's stop request while it is open. One opened after a signal came is stopped
// at once. Removing it waits for a handler that may be raising it.
class StopRegistration {
 public:
  explicit StopRegistration(StopRequest& request);
  ~StopRegistration();
  StopRegistration(const StopRegistration&) = delete;
  StopRegistration& operator=(const StopRegistration&) = delete;

 private:
  std::size_t slot_;
};

}  // namespace quillon::cli
