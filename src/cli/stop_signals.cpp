#include "cli/stop_signals.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <thread>

#include "operator/stop_request.h"

namespace quillon::cli {

namespace {

// A gang's largest, and then some: the emulated gang stops at 64 boards.
constexpr std::size_t Slots = 256;

std::array<std::atomic<StopRequest*>, Slots> requests{};
std::atomic<int> received{0};
// Handlers now walking the table; a slot is not given up while one is.
std::atomic<int> raising{0};

static_assert(std::atomic<StopRequest*>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

void RaiseAll() {
  for (auto& slot : requests) {
    if (StopRequest* request = slot.load()) {
      request->Raise();
    }
  }
}

void OnStopSignal(int signal) {
  if (int none = 0; !received.compare_exchange_strong(none, signal)) {
    ::_exit(ExitStatusOfSignal(received.load()));
  }
  raising.fetch_add(1);
  RaiseAll();
  raising.fetch_sub(1);
}

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a question waiting at the terminal ends with the signal rather than
  // keeping the run alive until someone types.
  action.sa_flags = 0;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::sigaction(signal, &action, nullptr);
  }
}

int ReceivedStopSignal() { return received.load(); }

StopRegistration::StopRegistration(StopRequest& request) : slot_(Slots) {
  for (std::size_t i = 0; i < Slots && slot_ == Slots; ++i) {
    StopRequest* empty = nullptr;
    if (requests[i].compare_exchange_strong(empty, &request)) {
      slot_ = i;
    }
  }
  if (received.load() != 0) {
    request.Raise();
  }
}

StopRegistration::~StopRegistration() {
  if (slot_ == Slots) {
    return;
  }
  requests[slot_].store(nullptr);
  while (raising.load() != 0) {
    std::this_thread::yield();
  }
}

}  // namespace quillon::cli
