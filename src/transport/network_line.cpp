#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "transport/port_line.h"
#include "transport/serial_port.h"

namespace quillon {

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view Rfc2217Scheme = "rfc2217://";
constexpr std::string_view SocketScheme = "socket://";

// Telnet (RFC 854) and its COM-PORT-OPTION (RFC 2217).
namespace telnet {
constexpr std::uint8_t SE = 240, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255;
constexpr std::uint8_t Binary = 0, SuppressGoAhead = 3, ComPort = 44;
constexpr std::uint8_t SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5, PurgeData = 12;
// The server answers a command with its code plus this.
constexpr std::uint8_t ServerReply = 100;
constexpr std::uint8_t ParityNone = 1, StopOne = 1, NoFlowControl = 1, DtrOn = 8, DtrOff = 9, RtsOn = 11, RtsOff = 12;
constexpr std::uint8_t PurgeReceive = 1, PurgeTransmit = 2, PurgeBoth = 3;
}  // namespace telnet

int MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

std::string CommandName(std::uint8_t code) {
  switch (code) {
    case telnet::SetBaudRate: return "SET-BAUDRATE";
    case telnet::SetDataSize: return "SET-DATASIZE";
    case telnet::SetParity: return "SET-PARITY";
    case telnet::SetStopSize: return "SET-STOPSIZE";
    case telnet::SetControl: return "SET-CONTROL";
    default: return "PURGE-DATA";
  }
}

struct Address {
  std::string host;
  std::string service;
};

// HOST:PORT, the host in brackets when it is an IPv6 address.
bool SplitAddress(std::string_view text, Address& address) {
  const auto colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) {
    return false;
  }
  std::string_view host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  address = {std::string(host), std::string(text.substr(colon + 1))};
  return std::all_of(address.service.begin(), address.service.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A TCP connection to a port server: the raw bytes of the line, or with telnet's commands
// and the COM-PORT-OPTION woven in. Every byte the caller sees or sends is one of the line.
class NetworkLine final : public PortLine {
 public:
  NetworkLine(int fd, std::string name, bool telnet) : fd_(fd), name_(std::move(name)), telnet_(telnet) {}
  ~NetworkLine() override {
    SetModemLines(TIOCM_DTR, false);
    Flush();
    ::close(fd_);
  }

  int Fd() const override { return fd_; }

  ssize_t Read(std::uint8_t& byte) override {
    std::uint8_t received = 0;
    const auto count = ::recv(fd_, &received, 1, MSG_DONTWAIT);
    if (count == 0) {
      reason_ = "closed by the server";
      return 0;
    }
    if (count < 0) {
      return Failed();
    }
    if (!telnet_ || !Interpret(received)) {
      byte = received;
      return 1;
    }
    errno = EAGAIN;
    return -1;
  }

  ssize_t Write(std::uint8_t byte) override {
    if (!reason_.empty()) {
      errno = EPIPE;
      return -1;
    }
    if (!Flush()) {
      return reason_.empty() ? -1 : Failed();
    }
    Bytes data{byte};
    if (telnet_ && byte == telnet::IAC) {
      data.push_back(telnet::IAC);
    }
    Send(data);
    return reason_.empty() ? 1 : Failed();
  }

  // A connection that is gone says so, rather than count bytes that will never leave: a
  // drain would wait them out, and the write after it would not learn of the hang-up.
  bool PendingOutput(int& pending) override {
    Flush();
    int unsent = 0;
    if (!Alive() || ::ioctl(fd_, SIOCOUTQNSD, &unsent) != 0) {
      return false;
    }
    pending = unsent + static_cast<int>(outbox_.size());
    return true;
  }

  bool Purge(int queueSelector) override {
    if (queueSelector != TCOFLUSH) {
      for (std::uint8_t byte = 0; reason_.empty() && ::recv(fd_, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 1;) {
        Read(byte);
      }
    }
    if (telnet_) {
      const std::uint8_t which = queueSelector == TCIFLUSH   ? telnet::PurgeReceive
                                 : queueSelector == TCOFLUSH ? telnet::PurgeTransmit
                                                             : telnet::PurgeBoth;
      Request(telnet::PurgeData, {which});
    }
    return reason_.empty();
  }

  void SetModemLines(int lines, bool raise) override {
    if (!telnet_) {
      return;
    }
    if (lines & TIOCM_DTR) {
      Request(telnet::SetControl, {raise ? telnet::DtrOn : telnet::DtrOff});
    }
    if (lines & TIOCM_RTS) {
      Request(telnet::SetControl, {raise ? telnet::RtsOn : telnet::RtsOff});
    }
  }

  std::string HangUpText() const override {
    return Formatted(msg::NetworkLineHungUpFormat, name_.c_str(), reason_.empty() ? "gone" : reason_.c_str());
  }

  // Offers binary transmission and the COM-PORT-OPTION and sets the line up: the baud rate,
  // 8N1, no flow control, DTR and RTS low, both ways purged. What the server has not
  // acknowledged when the time is up is traced: a server on a pseudo-terminal never
  // acknowledges the modem lines, and the line works without.
  std::string Negotiate(const LineRequest& request) {
    Send({telnet::IAC, telnet::WILL, telnet::Binary, telnet::IAC, telnet::DO, telnet::Binary, telnet::IAC, telnet::WILL,
          telnet::SuppressGoAhead, telnet::IAC, telnet::DO, telnet::SuppressGoAhead, telnet::IAC, telnet::WILL,
          telnet::ComPort});
    offered_ = {telnet::Binary, telnet::SuppressGoAhead, telnet::ComPort};
    asked_ = {telnet::Binary, telnet::SuppressGoAhead};
    const auto deadline = Clock::now() + request.timing.optionAck;
    if (!Await([this] { return comPortAccepted_ || comPortRefused_; }, deadline, request.wakeFd)) {
      return comPortRefused_ ? Trace("refused the COM-PORT-OPTION") : Trace("did not accept the COM-PORT-OPTION");
    }
    const std::uint32_t baud = EffectiveBaudRate(request.baudRate);
    Request(telnet::SetBaudRate, {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                                  static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)});
    Request(telnet::SetDataSize, {8});
    Request(telnet::SetParity, {telnet::ParityNone});
    Request(telnet::SetStopSize, {telnet::StopOne});
    Request(telnet::SetControl, {telnet::NoFlowControl});
    SetModemLines(TIOCM_DTR | TIOCM_RTS, false);
    Purge(TCIOFLUSH);
    Await([this] { return unanswered_.empty(); }, deadline, request.wakeFd);
    std::string unanswered;
    for (const auto code : unanswered_) {
      unanswered += (unanswered.empty() ? "" : ", ") + CommandName(code);
    }
    unanswered_.clear();
    return unanswered.empty() ? std::string() : Trace("did not acknowledge " + unanswered);
  }

  const std::string& Reason() const { return reason_; }

 private:
  enum class State { Data, Command, Option, Sub, SubCommand };

  std::string Trace(const std::string& what) const { return "\n" + name_ + " " + what + "; going on without\n"; }

  // False once the server has closed or reset the connection, its reason kept.
  bool Alive() {
    pollfd state{fd_, 0, 0};
    if (reason_.empty() && ::poll(&state, 1, 0) == 1 && (state.revents & (POLLERR | POLLHUP)) != 0) {
      int error = 0;
      socklen_t size = sizeof error;
      ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
      reason_ = error != 0 ? std::strerror(error) : "closed by the server";
    }
    return reason_.empty();
  }

  ssize_t Failed() {
    if (errno == EAGAIN || errno == EINTR) {
      return -1;
    }
    if (reason_.empty()) {
      reason_ = std::strerror(errno);
    }
    // Whatever the socket's error, the line behind it is gone: the port takes it as a hang-up.
    errno = EPIPE;
    return -1;
  }

  // Sends now what the socket takes and keeps the rest for the next write.
  void Send(const Bytes& bytes) {
    outbox_.insert(outbox_.end(), bytes.begin(), bytes.end());
    Flush();
  }
  // True when nothing is left over from earlier.
  bool Flush() {
    while (!outbox_.empty()) {
      const auto sent = ::send(fd_, outbox_.data(), outbox_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      if (sent < 0) {
        if (errno != EAGAIN && errno != EINTR && reason_.empty()) {
          reason_ = std::strerror(errno);
        }
        return false;
      }
      outbox_.erase(outbox_.begin(), outbox_.begin() + sent);
    }
    return true;
  }

  void Request(std::uint8_t code, const Bytes& value) {
    Bytes frame{telnet::IAC, telnet::SB, telnet::ComPort, code};
    for (const auto byte : value) {
      frame.push_back(byte);
      if (byte == telnet::IAC) {
        frame.push_back(telnet::IAC);
      }
    }
    frame.insert(frame.end(), {telnet::IAC, telnet::SE});
    unanswered_.push_back(code);
    Send(frame);
  }

  // Reads the line's own talk until the condition holds; data bytes met on the way are
  // dropped, as a purge at open would drop them.
  template <typename Condition>
  bool Await(Condition done, Clock::time_point deadline, int wakeFd) {
    while (!done()) {
      pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd, POLLIN, 0}};
      if (::poll(fds, wakeFd >= 0 ? 2 : 1, MillisecondsUntil(deadline)) <= 0 || (fds[1].revents & POLLIN)) {
        return done();
      }
      std::uint8_t byte = 0;
      if (Read(byte) == 0 || !reason_.empty()) {
        return false;
      }
    }
    return true;
  }

  // True when the byte belongs to telnet rather than to the line.
  bool Interpret(std::uint8_t byte) {
    switch (state_) {
      case State::Data:
        if (byte != telnet::IAC) {
          return false;
        }
        state_ = State::Command;
        return true;
      case State::Command:
        if (byte == telnet::IAC) {
          state_ = State::Data;
          return false;
        }
        command_ = byte;
        sub_.clear();
        state_ = byte >= telnet::WILL ? State::Option : byte == telnet::SB ? State::Sub : State::Data;
        return true;
      case State::Option:
        Negotiation(command_, byte);
        state_ = State::Data;
        return true;
      case State::Sub:
        if (byte == telnet::IAC) {
          state_ = State::SubCommand;
        } else if (sub_.size() < 16) {
          sub_.push_back(byte);
        }
        return true;
      case State::SubCommand:
        if (byte == telnet::IAC) {
          sub_.push_back(byte);
          state_ = State::Sub;
          return true;
        }
        if (byte == telnet::SE) {
          Subnegotiation();
        }
        state_ = State::Data;
        return true;
    }
    return true;
  }

  // Agrees to what was offered or asked for, once; refuses everything else.
  void Negotiation(std::uint8_t command, std::uint8_t option) {
    const auto has = [](const Bytes& set, std::uint8_t value) {
      return std::find(set.begin(), set.end(), value) != set.end();
    };
    if (option == telnet::ComPort && command == telnet::DO) {
      comPortAccepted_ = true;
    }
    if (option == telnet::ComPort && command == telnet::DONT) {
      comPortRefused_ = true;
    }
    if (command == telnet::DO && !has(offered_, option)) {
      const bool wanted = option == telnet::Binary || option == telnet::SuppressGoAhead;
      Send({telnet::IAC, wanted ? telnet::WILL : telnet::WONT, option});
      offered_.push_back(option);
    } else if (command == telnet::WILL && !has(asked_, option)) {
      const bool wanted = option == telnet::Binary || option == telnet::SuppressGoAhead;
      Send({telnet::IAC, wanted ? telnet::DO : telnet::DONT, option});
      asked_.push_back(option);
    }
  }

  void Subnegotiation() {
    if (sub_.size() < 2 || sub_[0] != telnet::ComPort || sub_[1] <= telnet::ServerReply) {
      return;
    }
    const auto code = static_cast<std::uint8_t>(sub_[1] - telnet::ServerReply);
    if (const auto found = std::find(unanswered_.begin(), unanswered_.end(), code); found != unanswered_.end()) {
      unanswered_.erase(found);
    }
  }

  int fd_;
  std::string name_;
  bool telnet_;
  std::string reason_;
  Bytes outbox_;
  State state_ = State::Data;
  std::uint8_t command_ = 0;
  Bytes sub_;
  Bytes offered_;
  Bytes asked_;
  Bytes unanswered_;
  bool comPortAccepted_ = false;
  bool comPortRefused_ = false;
};

// A connected TCP socket within the bound, or -1 with the reason.
int Connect(const Address& address, const LineRequest& request, std::string& reason) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (const int error = ::getaddrinfo(address.host.c_str(), address.service.c_str(), &hints, &found); error != 0) {
    reason = ::gai_strerror(error);
    return -1;
  }
  const auto deadline = Clock::now() + request.timing.connect;
  int fd = -1;
  reason = "no address";
  for (const addrinfo* each = found; each != nullptr && fd < 0; each = each->ai_next) {
    fd = ::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, each->ai_protocol);
    if (fd < 0) {
      reason = std::strerror(errno);
      continue;
    }
    int error = ::connect(fd, each->ai_addr, each->ai_addrlen) == 0 ? 0 : errno;
    if (error == EINPROGRESS) {
      pollfd fds[2] = {{fd, POLLOUT, 0}, {request.wakeFd, POLLIN, 0}};
      const int ready = ::poll(fds, request.wakeFd >= 0 ? 2 : 1, MillisecondsUntil(deadline));
      socklen_t length = sizeof error;
      if (ready > 0 && (fds[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
      } else {
        error = ETIMEDOUT;
      }
    }
    if (error != 0) {
      reason = error == ETIMEDOUT
                   ? Formatted("no answer within %lld ms", static_cast<long long>(request.timing.connect.count()))
                   : std::string(std::strerror(error));
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd >= 0) {
    // Every echo and ready byte is a packet of its own, sent at once.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  return fd;
}

}  // namespace

bool IsNetworkPortName(const std::string& name) {
  return name.starts_with(Rfc2217Scheme) || name.starts_with(SocketScheme);
}

LineOpening OpenNetworkLine(const std::string& name, const LineRequest& request) {
  LineOpening opening;
  const bool telnet = name.starts_with(Rfc2217Scheme);
  Address address;
  if (!SplitAddress(std::string_view(name).substr(telnet ? Rfc2217Scheme.size() : SocketScheme.size()), address)) {
    opening.traced = "\n" + name + " is not HOST:PORT\n";
    return opening;
  }
  std::string reason;
  const int fd = Connect(address, request, reason);
  if (fd < 0) {
    opening.told = Formatted(msg::NetworkLineHungUpFormat, name.c_str(), reason.c_str());
    return opening;
  }
  auto line = std::make_unique<NetworkLine>(fd, name, telnet);
  if (telnet) {
    opening.traced = line->Negotiate(request);
  }
  if (!line->Reason().empty()) {
    opening.told = line->HangUpText();
    return opening;
  }
  opening.line = std::move(line);
  return opening;
}

}  // namespace quillon
