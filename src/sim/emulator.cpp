#include "sim/emulator.h"

#include <sys/prctl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "sim/flash_memory.h"
#include "sim/pty_port.h"
#include "sim/session.h"
#include "sim/wire_log.h"

namespace quillon::sim {

namespace {

using Clock = std::chrono::steady_clock;

// No wait is longer than this, even when only the host can move the conversation on.
constexpr std::chrono::milliseconds kLongestWait{1000};
// A wait at least this long counts as the line going quiet, time to settle the log file.
constexpr std::chrono::milliseconds kQuiet{20};

std::vector<std::uint8_t> ReadImage(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::system_error(errno, std::generic_category(), path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

FlashMemory InitialFlash(const Config& config) {
  FlashMemory flash(config.chip);
  if (!config.imagePath.empty()) flash.Load(0x0000, ReadImage(config.imagePath));
  return flash;
}

}  // namespace

struct Emulator::Impl {
  explicit Impl(Config settings)
      : config(std::move(settings)),
        flash(InitialFlash(config)),
        session(config, flash),
        log(config.wireLogCapacity, config.logPath) {}

  void Serve();
  void Interrupt() {
    if (port) port->Interrupt();
  }

  const Config config;
  mutable std::mutex mutex;  // guards flash and session
  FlashMemory flash;
  Session session;
  quillon::sim::WireLog log;
  std::optional<PtyPort> port;
  std::string slavePath;
  std::thread thread;
  std::atomic<bool> stopping{false};
};

// Moves the session on to the present, logs and hands over what that produced, then sleeps
// in ppoll until the next moment something can happen or the host writes.
void Emulator::Impl::Serve() {
  // A real line keeps its byte times to the microsecond; the kernel's default timer slack
  // of 50 us per wake-up would add itself to every byte the target paces.
  ::prctl(PR_SET_TIMERSLACK, 1UL);
  Session::Progress progress;
  while (!stopping) {
    const Clock::time_point now = Clock::now();
    Clock::time_point next;
    std::size_t room = 0;
    bool hungUp = false;
    {
      std::lock_guard lock(mutex);
      session.Run(now, progress);
      next = session.NextEvent();
      room = session.InputRoom();
      hungUp = session.HungUp();
    }
    // Logged first, so that a byte the host has seen is always in the log already.
    for (const WireEvent& event : progress.wire) log.Record(event);
    port->Write(progress.toHost);
    progress.wire.clear();
    progress.toHost.clear();
    if (hungUp) {
      port->HangUp();
      break;
    }
    const Clock::time_point deadline = std::min(next, now + kLongestWait);
    if (deadline - now >= kQuiet) log.Settle();
    if (!port->Wait(room > 0, deadline).input) continue;
    const Clock::time_point seen = Clock::now();
    const std::vector<std::uint8_t> bytes = port->Read(room);
    std::lock_guard lock(mutex);
    for (std::uint8_t byte : bytes) session.FromHost(byte, seen);
  }
  log.Settle();
}

Emulator::Emulator(Config config) : impl_(std::make_unique<Impl>(std::move(config))) {}

Emulator::~Emulator() { Stop(); }

std::string Emulator::Start() {
  std::lock_guard lock(impl_->mutex);
  if (impl_->port) return impl_->slavePath;
  impl_->port.emplace();
  impl_->slavePath = impl_->port->SlavePath();
  impl_->session.Reset(Clock::now());
  impl_->thread = std::thread([impl = impl_.get()] { impl->Serve(); });
  return impl_->slavePath;
}

void Emulator::Stop() {
  impl_->stopping = true;
  impl_->Interrupt();
  if (impl_->thread.joinable()) impl_->thread.join();
}

const std::string& Emulator::SlavePath() const { return impl_->slavePath; }

std::vector<WireEvent> Emulator::WireLog() const { return impl_->log.Events(); }

void Emulator::ClearWireLog() { impl_->log.Clear(); }

WireCounts Emulator::WireByteCounts() const { return impl_->log.Counts(); }

bool Emulator::WaitForWireBytes(std::size_t count, std::chrono::milliseconds timeout) const {
  return impl_->log.WaitFor(count, timeout);
}

std::vector<std::uint8_t> Emulator::FlashImage() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->flash.AddressSpace();
}

void Emulator::LoadFlash(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(impl_->mutex);
  impl_->flash.Load(address, bytes);
}

std::uint8_t Emulator::Status() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->session.Status();
}

void Emulator::Reset() {
  std::lock_guard lock(impl_->mutex);
  impl_->session.Reset(Clock::now());
  impl_->Interrupt();
}

bool Emulator::InBootLoader() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->session.InBootLoader();
}

void Emulator::SetFaults(const Faults& faults) {
  std::lock_guard lock(impl_->mutex);
  impl_->session.SetFaults(faults, Clock::now());
  impl_->Interrupt();
}

}  // namespace quillon::sim
