#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "protocol/queued_conversation.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HostFixture;
using test::Strings;
using test::WaitFor;

TEST(LinkWorker, AnswersEachReadyByteWithTheIdleByteAndNoticesWhenTheyStop) {
  HostFixture host;
  // As on a port left open by a direct detection: starting the worker is what makes the
  // link queued, before its first ready byte.
  ASSERT_EQ(host.Device().OpenPort(), PortOk);
  ASSERT_TRUE(host.window.Worker().Start(host.Device(), QueuedLinkConversation()));
  host.target.ClearWireLog();
  ASSERT_TRUE(host.target.WaitForWireBytes(40, 2s));
  const auto log = host.target.WireLog();
  std::size_t answered = 0;
  for (std::size_t i = 0; i + 1 < log.size(); ++i) {
    if (log[i].direction == sim::Direction::FromTarget) {
      ASSERT_EQ(log[i].byte, QRV_READY);
      ASSERT_EQ(log[i + 1].direction, sim::Direction::ToTarget);
      EXPECT_EQ(log[i + 1].byte, QRV_IDLE);
      ++answered;
    }
  }
  EXPECT_GE(answered, 15u);
  EXPECT_EQ(host.op.Messages(), Strings{});

  host.target.SetFaults({.readyStopsAfter = 0});
  const auto stopped = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return host.window.Link().LinkLost.load(); }, 3s));
  const auto noticed = Clock::now() - stopped;
  EXPECT_GE(noticed, host.window.GetTiming().readySilence - 150ms);
  EXPECT_LT(noticed, host.window.GetTiming().readySilence + 400ms);
  const auto start = Clock::now();
  host.window.Worker().StopWhenSent(6s);
  EXPECT_LT(Clock::now() - start, 300ms) << "after a lost link nothing is left to send";
  host.window.OnTimer();
}

// A remap of four kilobytes (RB0 and RB1 set) is the one that makes the watchdog offer it.
TEST(LinkWorker, WatchdogOffersANewDetectionWhenTheRemapIsFourKilobytes) {
  const std::tuple<Answer, Strings, bool> cases[] = {
      {Answer::Cancel, {std::string(msg::ConnectionLost)}, false},
      {Answer::Ok, {std::string(msg::ConnectionLost), std::string(msg::ResetIfAutoDetectFails)}, true},
  };
  sim::Config remapped;
  remapped.status = 0x03;
  for (const auto& [answer, messages, reconnected] : cases) {
    SCOPED_TRACE(testing::Message() << "answer " << int(answer));
    HostFixture host(remapped);
    ASSERT_TRUE(host.Detect());
    host.op.ClearRecords();
    host.window.Link().SetLinkLost();
    host.op.QueueAnswer(answer);
    host.window.OnTimer();
    EXPECT_EQ(host.op.Messages(), messages);
    EXPECT_EQ(host.Device().IsConnected(), reconnected);
    EXPECT_EQ(host.window.Link().WorkerStarted, reconnected);
  }
}

// A reply that starts with a ready byte long after its command went out means the target
// was reset meanwhile; one that comes at once is simply data.
TEST(LinkWorker, OnlyALateReplyStartingWithAReadyByteEndsTheLink) {
  for (const auto& [replyDelay, lost] : {std::pair{0ms, false}, {650ms, true}}) {
    Timing timing = test::FastTiming();
    timing.byteWait = 800ms;
    HostFixture host({}, timing);
    ASSERT_TRUE(host.Detect());
    host.target.LoadFlash(0x0000, {QRV_READY, 0x22});
    std::this_thread::sleep_for(700ms);
    host.target.SetFaults({.replyDelay = replyDelay});
    ASSERT_EQ(host.Device().SendFrame(QRV_CMD_READ, 0x0000, 2), 1);
    std::uint8_t first = 0;
    EXPECT_EQ(host.Device().AwaitReply(first, 2s), lost ? 0 : 1) << replyDelay.count();
    EXPECT_EQ(host.window.Link().LinkLost.load(), lost) << replyDelay.count();
    EXPECT_TRUE(lost || first == QRV_READY);
  }
}

// The ready byte that closes a reply goes to the next command the user thread queues on
// that reply, not to the idle byte and a wait for the target's next prompt. At 2400 baud
// the worker waits 4 ms for it, which even a loaded machine's user thread rarely misses.
TEST(LinkWorker, AnswersTheReadyByteAfterAReplyWithTheNextCommand) {
  HostFixture host;
  host.Device().SetBaudRate(2400);
  ASSERT_TRUE(host.Detect());
  host.target.ClearWireLog();
  std::vector<std::uint8_t> read(16 * 128);
  ASSERT_EQ(host.Device().ReadFlash(read.data(), 0, static_cast<int>(read.size()), 128), static_cast<int>(read.size()));
  const auto sent = test::BytesOf(host.target.WireLog(), sim::Direction::ToTarget);
  const auto first = std::find(sent.begin(), sent.end(), QRV_CMD_READ);
  const auto last = std::find(sent.rbegin(), sent.rend(), QRV_CMD_READ).base();
  EXPECT_LE(std::count(first, last, QRV_IDLE), 4) << "of 15 replies followed by a read";
}

}  // namespace
}  // namespace quillon
