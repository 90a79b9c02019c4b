#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "support/port_server.h"
#include "support/pty_peer.h"
#include "support/scripted_operator.h"
#include "transport/link_state.h"
#include "transport/serial_port.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Bytes;

struct NetworkPort {
  explicit NetworkPort(const std::string& url) { port.SetDevicePath(url); }
  test::ScriptedOperator op;
  std::atomic<int> linkMode{DirectLink};
  SerialPort port{op, linkMode};
};

// Bytes through ser2net to a line that echoes them, 0xFF among them, which telnet doubles
// on the way in and out: each must come back as itself within the byte's time, over a
// relay that holds every packet as a LAN would, too.
TEST(NetworkLine, CarriesEveryByteThroughTheServerAndBack) {
  std::vector<std::unique_ptr<test::PtyPeer>> echoes;
  std::vector<test::PortServer::Line> lines;
  for (const bool telnet : {true, false, true}) {
    echoes.push_back(std::make_unique<test::PtyPeer>(test::PtyPeer::Reply::Echo));
    lines.push_back({echoes.back()->Path(), telnet});
  }
  test::PortServer server(lines);
  const Bytes bytes{0x00, 0xFF, 0xFF, 0x0D, 0x0A, 0x7F, 0xF7, 0xFE, 0x11, 0x13};
  // clang-format off
  const struct { const char* name; std::size_t line; std::chrono::milliseconds hold; } cases[] = {
      {"rfc2217", 0, 0ms},
      {"socket", 1, 0ms},
      {"rfc2217 over a LAN of 5 ms each way", 2, 5ms},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::optional<test::Relay> relay;
    if (c.hold > 0ms) relay.emplace(server.Port(c.line), c.hold);
    NetworkPort net(relay ? "rfc2217://127.0.0.1:" + std::to_string(relay->Port()) : server.Url(c.line));
    ASSERT_EQ(net.port.OpenPort(), PortOk) << ::testing::PrintToString(net.op.Messages());
    EXPECT_EQ(net.port.WriteBytes(bytes.data(), bytes.size()), 1) << ::testing::PrintToString(net.op.Messages());
    EXPECT_TRUE(echoes[c.line]->WaitReceived(bytes.size(), 1s));
    EXPECT_EQ(echoes[c.line]->Received(), bytes);
    EXPECT_TRUE(net.op.Messages().empty()) << ::testing::PrintToString(net.op.Messages());
    EXPECT_EQ(net.port.ClosePort(), PortOk);
  }
}

// A server that goes away, or none at all: a hang-up naming the server, within the bounds.
TEST(NetworkLine, ALostOrRefusedConnectionIsAHangUpNamingTheServer) {
  test::PtyPeer silent;
  test::PortServer server({{silent.Path(), true}});
  NetworkPort net(server.Url(0));
  ASSERT_EQ(net.port.OpenPort(), PortOk);
  // The server must have read all the host sent before it dies: the socket of a killed
  // process with bytes unread is reset, and the hang-up would name the reset instead.
  net.linkMode = QueuedLink;
  ASSERT_EQ(net.port.WriteByte(0x31), 1);
  ASSERT_TRUE(silent.WaitReceived(1, 1s));
  server.Kill();
  std::uint8_t byte = 0;
  const auto start = Clock::now();
  EXPECT_EQ(net.port.ReadByte(byte), 0);
  EXPECT_EQ(net.port.WriteByte(0x30), 0);
  EXPECT_LT(Clock::now() - start, 2 * net.port.GetTiming().byteWait + 100ms);
  EXPECT_TRUE(net.port.LineHungUp());
  EXPECT_EQ(net.op.Messages(),
            (test::Strings{Formatted(msg::NetworkLineHungUpFormat, server.Url(0).c_str(), "closed by the server")}));

  const std::pair<std::string, std::string> refusals[] = {
      {"rfc2217://127.0.0.1:" + std::to_string(test::FreePort()), "Connection refused"},
      {"socket://127.0.0.1:" + std::to_string(test::FreePort()), "Connection refused"},
      // TEST-NET-1: nothing answers there, wherever this runs.
      {"rfc2217://192.0.2.1:2217", ""},
  };
  for (const auto& [url, said] : refusals) {
    SCOPED_TRACE(url);
    NetworkPort refused(url);
    const Timing timing{.connect = 300ms};
    refused.port.SetTiming(timing);
    const auto opening = Clock::now();
    EXPECT_EQ(refused.port.OpenPort(), PortCannotOpen);
    EXPECT_LT(Clock::now() - opening, timing.connect + 200ms);
    ASSERT_EQ(refused.op.Messages().size(), 1U);
    EXPECT_TRUE(refused.op.Messages()[0].starts_with("The serial line has hung up: " + url + ": " + said))
        << refused.op.Messages()[0];
  }
}

// What the host asks of an RFC 2217 server, seen by one that never answers: the line set up
// at open, then the reset pulse on its line, then DTR low again at close.
TEST(NetworkLine, SetsTheLineUpAndPulsesTheResetAsComPortCommands) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const int port = ntohs(address.sin_port);
  auto heard = std::async(std::launch::async, [listener] {
    const int peer = ::accept(listener, nullptr, nullptr);
    // Agrees to the COM-PORT-OPTION and then stays silent.
    const std::uint8_t agree[] = {255, 253, 44};
    [[maybe_unused]] const auto sent = ::send(peer, agree, sizeof agree, 0);
    Bytes bytes;
    std::uint8_t chunk[256];
    for (ssize_t got; (got = ::recv(peer, chunk, sizeof chunk, 0)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    ::close(peer);
    return bytes;
  });
  NetworkPort net("rfc2217://127.0.0.1:" + std::to_string(port));
  // The shipped wait for the server's agreement: a shorter one can pass while this side's
  // thread is still on its way to answer, on a busy machine.
  net.port.SetBaudRate(9600);
  net.port.SetResetPulse({ResetPulse::Line::Rts, 30ms});
  const auto start = Clock::now();
  ASSERT_EQ(net.port.OpenPort(), PortOk);
  EXPECT_GE(Clock::now() - start, 30ms + Timing{}.optionAck);
  EXPECT_TRUE(net.port.PurgeInput());
  net.port.ClosePort();
  // WILL and DO BINARY and SUPPRESS-GO-AHEAD, WILL COM-PORT-OPTION, then its commands.
  Bytes expected{255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44};
  // clang-format off
  for (const Bytes& command : {Bytes{1, 0, 0, 0x25, 0x80}, {2, 8}, {3, 1}, {4, 1}, {5, 1}, {5, 9}, {5, 12}, {12, 3}, {5, 11}, {5, 12}, {12, 1}, {5, 9}})
    expected = test::Join(expected, test::Join(test::Join({255, 250, 44}, command), {255, 240}));
  // clang-format on
  EXPECT_EQ(heard.get(), expected);
  ::close(listener);
  EXPECT_EQ(net.op.Traces(),
            (test::Strings{"\nrfc2217://127.0.0.1:" + std::to_string(port) +
                           " did not acknowledge SET-BAUDRATE, SET-DATASIZE, SET-PARITY, SET-STOPSIZE, "
                           "SET-CONTROL, SET-CONTROL, SET-CONTROL, PURGE-DATA; going on without\n"}));
}

}  // namespace
}  // namespace quillon
