#include "sim/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

namespace quillon::sim {

namespace {

[[noreturn]] void Fail(int error, const char* what) { throw std::system_error(error, std::generic_category(), what); }

timespec Remaining(PtyPort::Clock::time_point deadline) {
  const auto left = std::max(deadline - PtyPort::Clock::now(), PtyPort::Clock::duration::zero());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

PtyPort::PtyPort() {
  std::array<char, 128> name{};
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) Fail(errno, "openpty");
  if (const int error = ttyname_r(slave_, name.data(), name.size())) {
    close(master_);
    close(slave_);
    Fail(error, "ttyname_r");
  }
  slavePath_ = name.data();
  termios modes{};
  tcgetattr(slave_, &modes);
  cfmakeraw(&modes);
  tcsetattr(slave_, TCSANOW, &modes);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) {
    const int error = errno;
    close(master_);
    close(slave_);
    Fail(error, "eventfd");
  }
}

PtyPort::~PtyPort() {
  close(wake_);
  HangUp();
}

void PtyPort::HangUp() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

PtyPort::Readiness PtyPort::Wait(bool wantInput, Clock::time_point deadline) {
  // A negative descriptor is skipped by ppoll, so the master cannot wake us while the
  // target has no room for more of the host's bytes.
  std::array<pollfd, 2> fds{pollfd{wake_, POLLIN, 0}, pollfd{wantInput ? master_ : -1, POLLIN, 0}};
  const timespec timeout = Remaining(deadline);
  if (ppoll(fds.data(), fds.size(), &timeout, nullptr) <= 0) return {};
  Readiness readiness;
  if (fds[0].revents & POLLIN) {
    eventfd_t count = 0;
    eventfd_read(wake_, &count);
    readiness.woken = true;
  }
  readiness.input = (fds[1].revents & POLLIN) != 0;
  return readiness;
}

// One read per wake-up: whatever is left, or comes later, wakes the next ppoll, so a second
// read would only cost a call that finds nothing.
std::vector<std::uint8_t> PtyPort::Read(std::size_t most) {
  std::vector<std::uint8_t> bytes(most);
  ssize_t count = 0;
  do {
    count = read(master_, bytes.data(), most);
  } while (count < 0 && errno == EINTR);
  bytes.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
  return bytes;
}

void PtyPort::Write(const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = write(master_, bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
    } else if (count == 0 || errno != EINTR) {
      return;
    }
  }
}

void PtyPort::Interrupt() { eventfd_write(wake_, 1); }

}  // namespace quillon::sim
