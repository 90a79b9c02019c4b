#include "transport/link_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "ui/messages.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HostFixture;
using test::WaitFor;

TEST(LinkWorker, AnswersEveryReadyByteWithTheIdleByteWhenNothingIsQueued) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  host.target.ClearWireLog();
  ASSERT_TRUE(host.target.WaitForWireBytes(40, 2s));
  const auto log = host.target.WireLog();
  // Pair each ready byte with what the host sent next.
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
}

TEST(LinkWorker, ASilentTargetIsNoticedOnceTheReadyBytesStop) {
  sim::Config config;
  HostFixture host(config);
  ASSERT_TRUE(host.Detect());
  sim::Faults faults;
  faults.readyStopsAfter = 0;
  host.target.SetFaults(faults);
  const auto stopped = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return host.window.Link().LinkLost.load(); }, 3s));
  const auto noticed = Clock::now() - stopped;
  const auto limit = host.window.GetTiming().readySilence;
  EXPECT_GE(noticed, limit - 150ms);
  EXPECT_LT(noticed, limit + 400ms);
  host.window.OnTimer();
  EXPECT_EQ(host.op.Messages().back(), msg::TimeoutReset);
  EXPECT_FALSE(host.window.Link().WorkerStarted);
  EXPECT_FALSE(host.Device().IsConnected());
  EXPECT_EQ(host.op.ShownChipInfo().Security, "SECURITY : UNKNOWN");
}

// A reply that starts with a ready byte long after its command went out means the target
// was reset meanwhile; one that comes at once is simply data, however long the pause
// before the command.
TEST(LinkWorker, OnlyALateReplyStartingWithAReadyByteEndsTheLink) {
  const struct {
    std::chrono::milliseconds replyDelay;
    bool lost;
  } cases[] = {{0ms, false}, {650ms, true}};
  for (const auto& c : cases) {
    Timing timing = test::FastTiming();
    timing.byteWait = 800ms;
    HostFixture host({}, timing);
    ASSERT_TRUE(host.Detect());
    host.target.LoadFlash(0x0000, {QRV_READY, 0x22});
    std::this_thread::sleep_for(700ms);
    sim::Faults faults;
    faults.replyDelay = c.replyDelay;
    host.target.SetFaults(faults);
    ASSERT_EQ(host.Device().SendFrame(QRV_CMD_READ, 0x0000, 2), 1);
    std::uint8_t first = 0;
    const int got = host.Device().AwaitReply(first, 2s);
    EXPECT_EQ(got == 0, c.lost) << c.replyDelay.count();
    EXPECT_EQ(host.window.Link().LinkLost.load(), c.lost) << c.replyDelay.count();
    if (!c.lost) {
      EXPECT_EQ(first, QRV_READY);
    }
  }
}

TEST(LinkWorker, WatchdogOffersANewDetectionWhenTheRemapIsFourKilobytes) {
  const struct {
    std::uint8_t status;
    Answer answer;
    std::vector<std::string> messages;
    bool reconnected;
  } cases[] = {
      {0x00, Answer::Ok, {std::string(msg::TimeoutReset)}, false},
      {0x03, Answer::Cancel, {std::string(msg::ConnectionLost)}, false},
      {0x03, Answer::Ok, {std::string(msg::ConnectionLost), std::string(msg::ResetIfAutoDetectFails)}, true},
  };
  for (const auto& c : cases) {
    sim::Config config;
    config.status = c.status;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect());
    host.op.ClearRecords();
    host.window.Link().SetLinkLost();
    host.op.QueueAnswer(c.answer);
    host.window.OnTimer();
    EXPECT_EQ(host.op.Messages(), c.messages) << int(c.status);
    EXPECT_EQ(host.Device().IsConnected(), c.reconnected);
    EXPECT_EQ(host.window.Link().WorkerStarted, c.reconnected);
  }
}

}  // namespace
}  // namespace quillon
