#include "transport/serial_port.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "operator/messages.h"
#include "operator/operator.h"
#include "operator/stop_request.h"
#include "transport/link_state.h"
#include "transport/port_line.h"

namespace quillon {

namespace {

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

// What a pulled-out adapter or a closed pseudo-terminal answers.
bool HangUpError(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE; }

}  // namespace

unsigned EffectiveBaudRate(unsigned configured) {
  switch (configured) {
    case 2400:
    case 4800:
    case 9600:
    case 19200: return configured;
    default: return 38400;
  }
}

std::chrono::microseconds ByteTime(unsigned configured) {
  return std::chrono::microseconds(10'000'000 / EffectiveBaudRate(configured));
}

std::string DefaultDevicePath(int portNumber) { return "/dev/ttyS" + std::to_string(portNumber - 1); }

// Wakes any transfer waiting on the old handle and keeps transfers out until the port
// has been closed or reopened.
class SerialPort::Reconfiguration {
 public:
  explicit Reconfiguration(SerialPort& port) : port_(port), lock_(port.ioMutex_, std::defer_lock) {
    port_.reconfiguring_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(port_.wakeFd_, &one, sizeof one);
    lock_.lock();
  }
  ~Reconfiguration() {
    std::uint64_t count = 0;
    [[maybe_unused]] const auto drained = ::read(port_.wakeFd_, &count, sizeof count);
    port_.reconfiguring_ = false;
    ++port_.reconfigurations_;
    lock_.unlock();
    port_.ioIdle_.notify_all();
  }
  Reconfiguration(const Reconfiguration&) = delete;
  Reconfiguration& operator=(const Reconfiguration&) = delete;

 private:
  SerialPort& port_;
  std::unique_lock<std::mutex> lock_;
};

SerialPort::SerialPort(OperatorMessages& owner, const std::atomic<int>& linkMode, const StopRequest* stop)
    : owner_(owner), linkMode_(linkMode), stop_(stop), wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

bool SerialPort::StopRaised() const { return stop_ != nullptr && stop_->Raised(); }

SerialPort::~SerialPort() {
  CloseIfOpen();
  ::close(wakeFd_);
}

std::string SerialPort::DevicePath() const {
  return devicePath_.empty() ? DefaultDevicePath(portNumber_) : devicePath_;
}

bool SerialPort::IsOpen() const { return fd_ >= 0; }

int SerialPort::OpenPort() {
  LineOpening opening;
  {
    Reconfiguration reconfiguration(*this);
    CloseLocked();
    const std::string path = DevicePath();
    const LineRequest request{baudRate_, timing_, stop_ != nullptr ? stop_->WakeFd() : -1};
    opening = IsNetworkPortName(path) ? OpenNetworkLine(path, request) : OpenLocalLine(path, request);
    if (opening.line) {
      line_ = std::move(opening.line);
      fd_ = line_->Fd();
      hungUp_ = false;
      hangUpReported_ = false;
      PulseReset();
    }
  }
  if (!opening.told.empty()) {
    owner_.Inform(opening.told);
  }
  if (!opening.traced.empty()) {
    owner_.Trace(opening.traced);
  }
  return fd_ >= 0 ? PortOk : PortCannotOpen;
}

// The pulse's time is waited out whole unless a stop request cuts it short; the line is
// lowered again in either case.
void SerialPort::PulseReset() {
  if (resetPulse_.line == ResetPulse::Line::None) {
    return;
  }
  const int lines = resetPulse_.line == ResetPulse::Line::Dtr ? TIOCM_DTR : TIOCM_RTS;
  line_->SetModemLines(lines, true);
  pollfd stop{stop_ != nullptr ? stop_->WakeFd() : -1, POLLIN, 0};
  ::poll(&stop, 1, static_cast<int>(resetPulse_.length.count()));
  line_->SetModemLines(lines, false);
}

int SerialPort::ClosePort() {
  connected_ = 0;
  Reconfiguration reconfiguration(*this);
  return CloseLocked();
}

int SerialPort::CloseIfOpen() {
  ClosePort();
  return PortOk;
}

int SerialPort::CloseLocked() {
  connected_ = 0;
  if (fd_ < 0) {
    return PortNotOpen;
  }
  line_.reset();
  fd_ = -1;
  return PortOk;
}

bool SerialPort::AwaitUsablePort(std::unique_lock<std::mutex>& lock, Clock::time_point deadline) {
  return ioIdle_.wait_until(lock, deadline, [this] { return !reconfiguring_ && fd_ >= 0; });
}

// A dead line (an unplugged adapter, a closed pty) fails at once on every call; waiting out
// the byte's time keeps a caller that retries from spinning a core. True when the port is
// reopened meanwhile, even one already done when this wait wakes: the wait goes on on the
// new handle, whose line may be alive.
bool SerialPort::AwaitDeadline(std::unique_lock<std::mutex>& lock, Clock::time_point deadline) {
  const std::uint64_t before = reconfigurations_;
  return ioIdle_.wait_until(lock, deadline, [&] { return reconfiguring_ || reconfigurations_ != before; });
}

SerialPort::Io SerialPort::NoteHangUp() {
  hangUpText_ = line_->HangUpText();
  hungUp_ = true;
  connected_ = 0;
  return Io::HungUp;
}

void SerialPort::ReportHangUp() {
  if (!hangUpReported_.exchange(true)) {
    std::string text;
    {
      std::lock_guard lock(ioMutex_);
      text = hangUpText_;
    }
    owner_.Inform(text);
  }
}

SerialPort::Io SerialPort::ReadLocked(std::unique_lock<std::mutex>& lock, std::uint8_t& byte,
                                      Clock::time_point deadline) {
  while (AwaitUsablePort(lock, deadline)) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, MillisecondsUntil(deadline));
    if (ready < 0 && errno != EINTR) {
      return Io::Failed;
    }
    if (fds[1].revents & POLLIN) {
      continue;
    }
    if (fds[0].revents & POLLIN) {
      std::uint8_t received = 0xFF;
      const auto count = line_->Read(received);
      if (count == 1) {
        byte = received;
        return Io::Ok;
      }
      // End of file with POLLIN set is a hung-up line: it would report readable forever.
      if (count == 0 || (errno != EAGAIN && errno != EINTR)) {
        const bool hungUp = count == 0 || HangUpError(errno);
        if (AwaitDeadline(lock, deadline)) {
          continue;
        }
        return hungUp ? NoteHangUp() : Io::Failed;
      }
    } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      const bool hungUp = (fds[0].revents & (POLLHUP | POLLERR)) != 0;
      if (AwaitDeadline(lock, deadline)) {
        continue;
      }
      return hungUp ? NoteHangUp() : Io::Failed;
    }
    if (Clock::now() >= deadline) {
      return Io::TimedOut;
    }
  }
  return Io::TimedOut;
}

// Waits for the driver to send what it holds, for about as long as the line needs to
// send it, rather than polling the count every millisecond.
bool SerialPort::DrainLocked(std::unique_lock<std::mutex>& lock, Clock::time_point deadline) {
  if (!AwaitUsablePort(lock, deadline)) {
    return false;
  }
  for (int pending = 0; line_->PendingOutput(pending) && pending > 0;) {
    if (Clock::now() >= deadline) {
      return false;
    }
    const auto lineTime = std::chrono::microseconds(pending * 10'000'000LL / EffectiveBaudRate(baudRate_));
    const auto wait = std::min<Clock::duration>(std::max<Clock::duration>(lineTime, std::chrono::milliseconds(1)),
                                                deadline - Clock::now());
    pollfd wake{wakeFd_, POLLIN, 0};
    ::poll(&wake, 1, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
    if (!AwaitUsablePort(lock, deadline)) {
      return false;
    }
  }
  return true;
}

SerialPort::Io SerialPort::WriteLocked(std::unique_lock<std::mutex>& lock, std::uint8_t byte) {
  if (!DrainLocked(lock, Clock::now() + timing_.byteWait)) {
    return Io::DrainTimedOut;
  }
  const auto deadline = Clock::now() + timing_.transfer;
  while (AwaitUsablePort(lock, deadline)) {
    const auto count = line_->Write(byte);
    if (count == 1) {
      return Io::Ok;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) {
      return HangUpError(errno) ? NoteHangUp() : Io::Failed;
    }
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
    ::poll(fds, 2, MillisecondsUntil(deadline));
    if (Clock::now() >= deadline) {
      break;
    }
  }
  return Io::TimedOut;
}

int SerialPort::ReadByte(std::uint8_t& byte) {
  Io read;
  {
    std::unique_lock lock(ioMutex_);
    read = ReadLocked(lock, byte, Clock::now() + timing_.byteWait);
  }
  if (read == Io::HungUp) {
    ReportHangUp();
  }
  return read == Io::Ok ? 1 : 0;
}

// True when the byte went out; otherwise the operator has been told why, where the link
// reports such failures itself.
bool SerialPort::ReportedWrite(Io written, int mode) {
  switch (written) {
    case Io::Ok: return true;
    case Io::DrainTimedOut:
      if (mode < QueuedLink) {
        owner_.Inform(msg::ByteTransferFailed);
      }
      return false;
    case Io::Failed: owner_.Inform(msg::ByteTransferFailed); return false;
    case Io::TimedOut: owner_.Inform(msg::WriteTimedOut); return false;
    case Io::HungUp: ReportHangUp(); return false;
  }
  return false;
}

int SerialPort::WriteByte(std::uint8_t byte) {
  Io written;
  {
    std::unique_lock lock(ioMutex_);
    written = WriteLocked(lock, byte);
  }
  const int mode = linkMode_.load();
  if (!ReportedWrite(written, mode)) {
    return 0;
  }
  if (mode == QueuedLink) {
    return 1;
  }
  std::uint8_t echo = 0x00;
  const int echoed = ReadByte(echo);
  if (echoed != 1 && hungUp_) {
    return 0;
  }
  if (echo != byte) {
    owner_.Inform(msg::EchoDiffers);
    return 0;
  }
  if (echoed != 1) {
    owner_.Inform(msg::ByteTransferFailed);
    return 0;
  }
  return 1;
}

int SerialPort::WriteBytes(const std::uint8_t* bytes, std::size_t count, const ByteFailure& failed) {
  const int mode = linkMode_.load();
  const auto window = mode == QueuedLink ? std::size_t{1} : static_cast<std::size_t>(echoWindow_);
  int result = 1;
  // Which of the bytes sent ahead really went out and so owe an echo.
  std::vector<bool> outgoing(count, false);
  std::size_t sent = 0;
  for (std::size_t checked = 0; checked < count; ++checked) {
    for (; sent < count && sent - checked < window; ++sent) {
      if (window == 1) {
        outgoing[sent] = WriteByte(bytes[sent]) == 1;
        continue;
      }
      Io written;
      {
        std::unique_lock lock(ioMutex_);
        written = WriteLocked(lock, bytes[sent]);
      }
      outgoing[sent] = ReportedWrite(written, mode);
    }
    bool good = outgoing[checked];
    if (good && window > 1) {
      std::uint8_t echo = 0x00;
      const int echoed = ReadByte(echo);
      good = echo == bytes[checked] && echoed == 1;
      if (!good && !hungUp_) {
        owner_.Inform(echo != bytes[checked] ? msg::EchoDiffers : msg::ByteTransferFailed);
      }
    }
    if (!good) {
      result = 0;
      // A line that has hung up takes nothing more: the rest would only fail in turn.
      if (!failed || hungUp_ || StopRaised()) {
        SkipEchoes(static_cast<std::size_t>(std::count(outgoing.begin() + static_cast<std::ptrdiff_t>(checked) + 1,
                                                       outgoing.begin() + static_cast<std::ptrdiff_t>(sent), true)));
        return 0;
      }
      failed();
    }
  }
  return result;
}

// The echoes of bytes already on their way still come back: taken here, they cannot pass
// for the reply of whatever is sent next. A silent line ends the wait at once.
void SerialPort::SkipEchoes(std::size_t count) {
  for (std::uint8_t echo = 0; count > 0 && ReadByte(echo) == 1; --count) {
  }
}

bool SerialPort::Purge(int queueSelector) {
  std::lock_guard lock(ioMutex_);
  return fd_ >= 0 && line_->Purge(queueSelector);
}

bool SerialPort::DrainOutput(std::chrono::milliseconds limit) {
  std::unique_lock lock(ioMutex_);
  return DrainLocked(lock, Clock::now() + limit);
}

bool SerialPort::StaysQuiet(std::chrono::microseconds span) {
  std::unique_lock lock(ioMutex_);
  std::uint8_t byte = 0;
  return ReadLocked(lock, byte, Clock::now() + span) != Io::Ok;
}

bool SerialPort::PurgeInput() { return Purge(TCIFLUSH); }

bool SerialPort::PurgeOutput() { return Purge(TCOFLUSH); }

}  // namespace quillon
