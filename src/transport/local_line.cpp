#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "operator/messages.h"
#include "transport/port_line.h"
#include "transport/serial_port.h"

namespace quillon {

int (*ModemLineControl)(int, unsigned long, int*) = [](int fd, unsigned long request, int* lines) {
  return ::ioctl(fd, request, lines);
};

namespace {

speed_t LineSpeed(unsigned baudRate) {
  switch (EffectiveBaudRate(baudRate)) {
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    default: return B38400;
  }
}

// A terminal device opened by this host: exclusive, raw, and given back as it was found.
class LocalLine final : public PortLine {
 public:
  explicit LocalLine(int fd) : fd_(fd) {}
  ~LocalLine() override {
    SetModemLines(TIOCM_DTR, false);
    ::tcflush(fd_, TCIOFLUSH);
    // Exclusive mode belongs to the terminal, not to this handle: left set, it would outlive
    // us where another party keeps the device open (an emulator holds its pty's slave).
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
  }

  int Fd() const override { return fd_; }
  ssize_t Read(std::uint8_t& byte) override { return ::read(fd_, &byte, 1); }
  ssize_t Write(std::uint8_t byte) override { return ::write(fd_, &byte, 1); }
  bool PendingOutput(int& pending) override { return ::ioctl(fd_, TIOCOUTQ, &pending) == 0; }
  bool Purge(int queueSelector) override { return ::tcflush(fd_, queueSelector) == 0; }
  void SetModemLines(int lines, bool raise) override { ModemLineControl(fd_, raise ? TIOCMBIS : TIOCMBIC, &lines); }
  std::string HangUpText() const override { return std::string(msg::LineHungUp); }

 private:
  int fd_;
};

// Raw 8N1 without any flow control; DTR and RTS stay low so that a board that wires them
// to reset or to the boot pin is left alone. HUPCL drops DTR when the port closes.
void ConfigureLine(LocalLine& line, unsigned baudRate) {
  const int fd = line.Fd();
  termios settings{};
  ::tcgetattr(fd, &settings);
  ::cfmakeraw(&settings);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CLOCAL | CREAD | HUPCL;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
  settings.c_cc[VSTART] = 0x11;
  settings.c_cc[VSTOP] = 0x13;
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  ::cfsetispeed(&settings, LineSpeed(baudRate));
  ::cfsetospeed(&settings, LineSpeed(baudRate));
  ::tcsetattr(fd, TCSANOW, &settings);
  line.SetModemLines(TIOCM_DTR | TIOCM_RTS, false);
  ::tcflush(fd, TCIOFLUSH);
}

// A USB adapter holds short packets back until its latency timer runs out, and every byte
// of the direct links waits for its echo: asked for low latency, the driver lets the
// adapter pass them on at once. A device without the setting (a UART, a pty) is left as it
// is; the reason is traced otherwise.
std::string RequestLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd, TIOCSSERIAL, &serial) == 0) {
      return {};
    }
  }
  if (errno == ENOTTY || errno == EINVAL) {
    return {};
  }
  return std::string("\nLow latency not set: ") + std::strerror(errno) + "\n";
}

std::string OpenFailureText(const std::string& path, int error) {
  std::string text = "\nCannot open " + path + ": " + std::strerror(error);
  if (error == EBUSY) {
    text += ". Another program holds the port; close it first.";
  }
  return text + "\n";
}

bool NotPermitted(int error) { return error == EACCES || error == EPERM; }

}  // namespace

LineOpening OpenLocalLine(const std::string& path, const LineRequest& request) {
  LineOpening opening;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && NotPermitted(errno)) {
    // The one failure the operator can mend alone, so it is told, not just traced.
    opening.told = "Cannot open " + path + ": " + std::string(msg::PortNotPermitted);
  } else if (fd < 0) {
    opening.traced = OpenFailureText(path, errno);
  } else if (!::isatty(fd)) {
    opening.traced = "\n" + path + " is not a serial device\n";
    ::close(fd);
  } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
    // The advisory lock keeps out other programs that lock, root included, whom
    // TIOCEXCL alone would let through.
    opening.traced = OpenFailureText(path, EBUSY);
    ::close(fd);
  } else {
    auto line = std::make_unique<LocalLine>(fd);
    ConfigureLine(*line, request.baudRate);
    opening.traced = RequestLowLatency(fd);
    opening.line = std::move(line);
  }
  return opening;
}

}  // namespace quillon
