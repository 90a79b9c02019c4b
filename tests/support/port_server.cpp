#include "support/port_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <stdexcept>

namespace quillon::test {

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

// True while something listens there: binding the port is refused.
bool Listening(int port) {
  const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const auto address = Loopback(port);
  const bool taken = ::bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0;
  ::close(probe);
  return taken;
}

int Listen(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  auto address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

int FreePort() {
  int port = 0;
  ::close(Listen(port));
  return port;
}

// A port found free may be taken again before ser2net binds it, and a loaded machine may
// start it slowly: a server that is not listening in time is started anew on fresh ports.
PortServer::PortServer(const std::vector<Line>& lines) : lines_(lines) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (Start()) return;
    Kill();
  }
  throw std::runtime_error("ser2net did not start");
}

// ser2net's default holds what the line sends for two characters' time, at least 1 ms,
// to fill packets; a boot loader's echoes and ready bytes want to go at once.
bool PortServer::Start() {
  std::string config;
  ports_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    ports_.push_back(FreePort());
    config += "connection: &line" + std::to_string(i) +
              "\n  accepter: " + (lines_[i].telnet ? "telnet(rfc2217),tcp(nodelay=true)," : "tcp(nodelay=true),") +
              "127.0.0.1," + std::to_string(ports_[i]) + "\n  connector: serialdev," + lines_[i].device +
              ",38400n81,local\n  options:\n    chardelay: false\n";
  }
  WriteFile(dir_ / "ser2net.yaml", config);
  const std::string path = (dir_ / "ser2net.yaml").string();
  pid_ = ::fork();
  if (pid_ == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    ::execlp("ser2net", "ser2net", "-n", "-u", "-c", path.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  for (const int port : ports_) {
    while (!Listening(port)) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;  // it gave up, on a port taken meanwhile
        return false;
      }
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return true;
}

std::string PortServer::Url(std::size_t line) const {
  return (lines_.at(line).telnet ? "rfc2217://127.0.0.1:" : "socket://127.0.0.1:") + std::to_string(ports_.at(line));
}

void PortServer::Kill() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

Relay::Relay(int targetPort, std::chrono::microseconds hold)
    : targetPort_(targetPort), hold_(hold), stop_(::eventfd(0, EFD_CLOEXEC)) {
  listener_ = Listen(port_);
  thread_ = std::thread([this] { Serve(); });
}

Relay::~Relay() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(stop_, &one, sizeof one);
  thread_.join();
  ::close(listener_);
  ::close(stop_);
}

std::vector<Relay::Chunk> Relay::TowardsServer() const {
  std::lock_guard lock(mutex_);
  return towardsServer_;
}

// One connection at a time, each chunk passed on when its hold is over, in order.
void Relay::Serve() {
  while (true) {
    pollfd waiting[2] = {{listener_, POLLIN, 0}, {stop_, POLLIN, 0}};
    ::poll(waiting, 2, -1);
    if (waiting[1].revents & POLLIN) return;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto target = Loopback(targetPort_);
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    bool open = ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
    struct Held {
      Clock::time_point due;
      std::string bytes;
    };
    std::deque<Held> held[2];  // 0: towards the server, 1: towards the client
    const int from[2] = {client, server};
    while (open || !held[0].empty() || !held[1].empty()) {
      // To the microsecond: a wait rounded up to whole milliseconds would hold a 1 ms chunk
      // up to twice as long as asked.
      auto next = Clock::time_point::max();
      for (const auto& queue : held)
        if (!queue.empty()) next = std::min(next, queue.front().due);
      const std::chrono::nanoseconds left = std::max(next - Clock::now(), Clock::duration::zero());
      const timespec wait{static_cast<time_t>(left.count() / 1'000'000'000),
                          static_cast<long>(left.count() % 1'000'000'000)};
      pollfd fds[3] = {{client, static_cast<short>(open ? POLLIN : 0), 0},
                       {server, static_cast<short>(open ? POLLIN : 0), 0},
                       {stop_, POLLIN, 0}};
      ::ppoll(fds, 3, next == Clock::time_point::max() ? nullptr : &wait, nullptr);
      if (fds[2].revents & POLLIN) break;
      for (int side = 0; side < 2 && open; ++side) {
        if (!(fds[side].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char chunk[4096];
        const auto got = ::recv(from[side], chunk, sizeof chunk, 0);
        if (got <= 0) {
          open = false;
          continue;
        }
        held[side].push_back({Clock::now() + hold_, std::string(chunk, static_cast<std::size_t>(got))});
        if (side == 0) {
          std::lock_guard lock(mutex_);
          towardsServer_.push_back({Clock::now(), held[side].back().bytes});
        }
      }
      for (int side = 0; side < 2; ++side) {
        while (!held[side].empty() && held[side].front().due <= Clock::now()) {
          ::send(from[1 - side], held[side].front().bytes.data(), held[side].front().bytes.size(), MSG_NOSIGNAL);
          held[side].pop_front();
        }
      }
    }
    ::close(client);
    ::close(server);
  }
}

}  // namespace quillon::test
