#include "sim/emulator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

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

// One byte at a time: hand over what is due, take a byte once the previous one has fully
// arrived, otherwise sleep in ppoll until the next moment something can happen.
void Emulator::Impl::Serve() {
  bool inputWaiting = false;
  while (!stopping) {
    const Clock::time_point now = Clock::now();
    std::optional<std::uint8_t> out;
    Clock::time_point next;
    {
      std::lock_guard lock(mutex);
      if (inputWaiting && session.AcceptsInput(now)) {
        inputWaiting = false;
        if (const auto byte = port->Read()) {
          log.Record(Direction::ToTarget, *byte, now);
          session.Arrived(*byte, now);
        }
      }
      out = session.Due(now);
      next = session.NextEvent();
      if (inputWaiting) next = std::min(next, session.InputFreeAt());
    }
    if (out) {
      // Logged first, so that a byte the host has seen is always in the log already.
      log.Record(Direction::FromTarget, *out, Clock::now());
      port->Write(*out);
      std::lock_guard lock(mutex);
      session.Sent(Clock::now());
      continue;
    }
    const Clock::time_point deadline = std::min(next, now + kLongestWait);
    if (deadline - now >= kQuiet) log.Settle();
    if (port->Wait(!inputWaiting, deadline).input) inputWaiting = true;
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
  impl_->session.SetFaults(faults);
  impl_->Interrupt();
}

}  // namespace quillon::sim
