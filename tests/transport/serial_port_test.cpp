#include "transport/serial_port.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>
#include <future>
#include <memory>
#include <numeric>

#include "operator/messages.h"
#include "support/pty_peer.h"
#include "support/scripted_operator.h"
#include "transport/link_state.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PtyPeer;

struct PortFixture {
  // The far end answers as a PtyPeer's reply or responder tells it.
  template <typename Answers = PtyPeer::Reply>
  explicit PortFixture(Answers far = PtyPeer::Reply::Silent, int mode = DirectLink)
      : peer(std::make_unique<PtyPeer>(far)), linkMode(mode) {
    port.SetDevicePath(peer->Path());
  }
  std::unique_ptr<PtyPeer> peer;
  test::ScriptedOperator op;
  std::atomic<int> linkMode{DirectLink};
  SerialPort port{op, linkMode};
};

template <typename F>
std::chrono::milliseconds Elapsed(F&& action) {
  const auto start = Clock::now();
  action();
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A pty has no modem lines, so the calls that set them are watched instead.
using ModemCalls = std::vector<std::pair<unsigned long, int>>;
ModemCalls modemCalls;
int WatchModemLines(int fd, unsigned long request, int* lines) {
  modemCalls.emplace_back(request, *lines);
  return ::ioctl(fd, request, lines);
}

TEST(SerialPort, OpensRawEightNoneOneAtTheMappedBaudRateWithDtrAndRtsLow) {
  const std::pair<unsigned, speed_t> cases[] = {{2400, B2400},   {4800, B4800},   {9600, B9600},
                                                {19200, B19200}, {57600, B38400}, {0, B38400}};
  const auto shipped = ModemLineControl;
  ModemLineControl = WatchModemLines;
  for (const auto& [configured, expected] : cases) {
    SCOPED_TRACE(configured);
    modemCalls.clear();
    PortFixture f;
    f.port.SetBaudRate(configured);
    ASSERT_EQ(f.port.OpenPort(), PortOk);
    const termios t = f.peer->SlaveSettings();
    EXPECT_EQ(std::pair(cfgetospeed(&t), cfgetispeed(&t)), std::pair(expected, expected));
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL), static_cast<tcflag_t>(CS8 | CLOCAL));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(modemCalls, (ModemCalls{{TIOCMBIC, TIOCM_DTR | TIOCM_RTS}}));
    EXPECT_EQ(f.port.ClosePort(), PortOk);
    EXPECT_EQ(modemCalls, (ModemCalls{{TIOCMBIC, TIOCM_DTR | TIOCM_RTS}, {TIOCMBIC, TIOCM_DTR}}));
  }
  ModemLineControl = shipped;
}

TEST(SerialPort, IsHeldByOneOpenerAtATime) {
  PortFixture f;
  EXPECT_EQ(f.port.ClosePort(), PortNotOpen);
  ASSERT_EQ(f.port.OpenPort(), PortOk);
  ASSERT_EQ(f.port.OpenPort(), PortOk) << "reopening closes the old handle first";
  PortFixture second;
  second.port.SetDevicePath(f.peer->Path());
  EXPECT_EQ(second.port.OpenPort(), PortCannotOpen);
  EXPECT_NE(second.op.Traces().at(0).find("Another program holds the port"), std::string::npos);
  f.port.SetConnected();
  EXPECT_TRUE(f.port.ClosePort() == PortOk && !f.port.IsConnected());
  EXPECT_EQ(second.port.OpenPort(), PortOk) << "the port is free again once closed";
  EXPECT_TRUE(second.op.Messages().empty());
}

// No echo is awaited in the queued link; a missing one is waited for a byte's time. A
// transmitter held up longer than that but within the transfer bound still takes the byte.
TEST(SerialPort, WriteChecksTheEchoOutsideTheQueuedLink) {
  using Reply = PtyPeer::Reply;
  // clang-format off
  const std::tuple<Reply, int, std::uint8_t, int, std::string_view, std::chrono::milliseconds> cases[] = {
      {Reply::Echo, DirectLink, 0x0C, 1, {}, 0ms},
      {Reply::Echo, DirectLinkExt, 0x00, 1, {}, 0ms},
      {Reply::Silent, DirectLink, 0x00, 0, msg::ByteTransferFailed, 0ms},
      {Reply::Silent, DirectLink, 0x41, 0, msg::EchoDiffers, 0ms},
      {Reply::WrongEcho, DirectLinkExt, 0x05, 0, msg::EchoDiffers, 0ms},
      {Reply::Silent, QueuedLink, 0x61, 1, {}, 0ms},
      {Reply::Silent, QueuedLink, 0x61, 1, {}, 600ms},
  };
  // clang-format on
  for (const auto& [reply, mode, byte, written, message, hold] : cases) {
    SCOPED_TRACE(testing::Message() << "byte " << int(byte) << " in mode " << mode << ", held " << hold.count());
    PortFixture f(reply, mode);
    ASSERT_EQ(f.port.OpenPort(), PortOk);
    f.peer->HoldOutput(hold > 0ms);
    auto release = std::async(std::launch::async, [&, hold = hold] {
      std::this_thread::sleep_for(hold);
      f.peer->HoldOutput(false);
    });
    const auto took =
        Elapsed([&, byte = byte, written = written] { EXPECT_EQ(f.port.WriteByte(byte), written) << int(byte); });
    EXPECT_EQ(f.op.Messages(), message.empty() ? std::vector<std::string>{} : std::vector{std::string(message)});
    ASSERT_TRUE(f.peer->WaitReceived(1, 1s));
    EXPECT_EQ(f.peer->Received(), std::vector<std::uint8_t>{byte});
    const auto least = reply == Reply::Silent && mode != QueuedLink ? 190ms : hold - hold / 12;
    EXPECT_GE(took, least);
    EXPECT_LT(took, least + (least > 0ms ? 210ms : 50ms));
  }
}

// Within an echo window the echoes come back late and several at a time; each must still
// be the byte it answers, in its place.
TEST(SerialPort, EveryEchoInsideTheWindowIsCheckedForItsValue) {
  // The byte whose echo comes back wrong: none, the first, one in the middle, the last.
  for (const int flipped : {-1, 0, 9, 15}) {
    SCOPED_TRACE(flipped);
    int received = 0;
    PortFixture f([&received, flipped](std::uint8_t byte) {
      return std::vector<std::uint8_t>{received++ == flipped ? static_cast<std::uint8_t>(~byte) : byte};
    });
    f.port.SetEchoWindow(16);
    ASSERT_EQ(f.port.OpenPort(), PortOk);
    std::vector<std::uint8_t> frame(16);
    std::iota(frame.begin(), frame.end(), std::uint8_t{0x30});
    EXPECT_EQ(f.port.WriteBytes(frame.data(), frame.size()), flipped < 0 ? 1 : 0);
    EXPECT_EQ(f.op.Messages(), flipped < 0 ? std::vector<std::string>{} : std::vector{std::string(msg::EchoDiffers)});
  }
}

TEST(SerialPort, ReadWaitsAtMostTheByteBoundAndHandsOverAByteAtOnce) {
  PortFixture f;
  ASSERT_EQ(f.port.OpenPort(), PortOk);
  f.port.SetTiming(Timing{.byteWait = 800ms});
  auto pending = std::async(std::launch::async, [&] {
    std::uint8_t late = 0;
    return f.port.ReadByte(late) == 1 ? late : -1;
  });
  std::this_thread::sleep_for(50ms);
  EXPECT_LT(Elapsed([&] { ASSERT_EQ(f.port.OpenPort(), PortOk); }), 100ms)
      << "a reopen does not wait for a blocked read to time out, which carries on on the new handle";
  const auto sent = Clock::now();
  f.peer->Send({0x3C});
  EXPECT_EQ(pending.get(), 0x3C);
  EXPECT_LT(Clock::now() - sent, 20ms) << "a byte is handed over the moment it arrives";
}

// A line whose far end is gone (an adapter pulled out, here a closed pty) reports itself
// readable for ever; each read must still take its wait, not a core.
TEST(SerialPort, ReadsOnADeadLineWaitInsteadOfSpinning) {
  // A silent far end, one gone before the port opens, one gone after.
  for (const int state : {0, 1, 2}) {
    SCOPED_TRACE(state);
    PortFixture f(PtyPeer::Reply::Silent, QueuedLink);
    ASSERT_TRUE(state == 1 || f.port.OpenPort() == PortOk);
    if (state > 0) f.peer.reset();
    std::uint8_t byte = 0;
    const std::clock_t cpuBefore = std::clock();
    const auto took = Elapsed([&] { EXPECT_EQ(f.port.ReadByte(byte), 0); });
    EXPECT_GE(took, 190ms);
    EXPECT_LT(took, 400ms);
    EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 20);
    EXPECT_EQ(f.port.WriteByte(0x61), state == 0 ? 1 : 0);
    EXPECT_EQ(f.op.Messages(), state == 2 ? std::vector{std::string(msg::LineHungUp)} : std::vector<std::string>{})
        << "a stuck output is silent in the queued link; a hung-up line is told once";
  }
}

}  // namespace
}  // namespace quillon
