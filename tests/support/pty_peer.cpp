#include "support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <stdexcept>

namespace quillon::test {

namespace {

PtyPeer::Responder ResponderFor(PtyPeer::Reply reply) {
  switch (reply) {
    case PtyPeer::Reply::Echo: return [](std::uint8_t byte) { return std::vector<std::uint8_t>{byte}; };
    case PtyPeer::Reply::WrongEcho:
      return [](std::uint8_t byte) { return std::vector<std::uint8_t>{static_cast<std::uint8_t>(byte ^ 0xFF)}; };
    default: return [](std::uint8_t) { return std::vector<std::uint8_t>{}; };
  }
}

}  // namespace

PtyPeer::PtyPeer(Reply reply) : PtyPeer(ResponderFor(reply)) {}

PtyPeer::PtyPeer(Responder responder) : responder_(std::move(responder)) {
  char name[256] = {};
  if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
  termios raw{};
  ::tcgetattr(slave_, &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(slave_, TCSANOW, &raw);
  path_ = name;
  stop_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Serve(); });
}

PtyPeer::~PtyPeer() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
  thread_.join();
  ::close(stop_);
  ::close(slave_);
  ::close(master_);
}

void PtyPeer::Send(const std::vector<std::uint8_t>& bytes) {
  [[maybe_unused]] const auto written = ::write(master_, bytes.data(), bytes.size());
}

std::vector<std::uint8_t> PtyPeer::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}

bool PtyPeer::WaitReceived(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_cv_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

termios PtyPeer::SlaveSettings() const {
  termios settings{};
  return ::tcgetattr(slave_, &settings), settings;
}

void PtyPeer::HoldOutput(bool held) const { ::tcflow(slave_, held ? TCOOFF : TCOON); }

void PtyPeer::Serve() {
  for (;;) {
    pollfd fds[2] = {{master_, POLLIN, 0}, {stop_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) return;
    std::uint8_t byte = 0;
    if (::read(master_, &byte, 1) != 1) continue;
    {
      std::lock_guard lock(mutex_);
      received_.push_back(byte);
    }
    received_cv_.notify_all();
    Send(responder_(byte));
  }
}

}  // namespace quillon::test
