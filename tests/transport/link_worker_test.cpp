#include "transport/link_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::HostFixture;
using test::WithoutIdle;
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
// After a lost link nothing is left to send, and the flag the old worker left must not
// refuse the detection that follows at once.
TEST(LinkWorker, AfterALostLinkTheStopIsImmediateAndANewDetectionGoesAhead) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  host.target.SetFaults({.readyStopsAfter = 0});
  ASSERT_TRUE(WaitFor([&] { return host.window.Link().LinkLost.load(); }, 3s));
  const auto start = Clock::now();
  host.window.Worker().StopWhenSent(6s);
  EXPECT_LT(Clock::now() - start, 300ms);
  host.target.SetFaults({});
  host.target.Reset();
  host.Device().ClearConnected();
  ASSERT_TRUE(host.window.Link().LinkLost);
  host.op.ClearRecords();
  host.window.OnAutoDetect();
  EXPECT_EQ(host.op.ShownChipInfo().IapStatus, msg::HandshakingSucceed);
  EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::ResetIfAutoDetectFails)});
}

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

TEST(LinkWorker, CarriesCountedReadsAndWrites) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  host.target.LoadFlash(0x0100, {0x12, 0x34, 0x56, 0x78, 0x9A});
  auto& device = host.Device();
  host.target.ClearWireLog();

  ASSERT_EQ(device.SendFrame(QRV_CMD_READ, 0x0100, 4), 1);
  std::vector<std::uint8_t> read(4);
  for (auto& byte : read) {
    ASSERT_EQ(device.AwaitReply(byte, 1s), 1);
  }
  EXPECT_EQ(read, (std::vector<std::uint8_t>{0x12, 0x34, 0x56, 0x78}));
  std::uint8_t extra = 0;
  EXPECT_EQ(device.AwaitReply(extra, 300ms), 0) << "exactly four bytes are read";
  EXPECT_EQ(WithoutIdle(host.SentToTarget()), (std::vector<std::uint8_t>{0x0C, 0x01, 0x00, 0x04}));

  host.target.ClearWireLog();
  std::vector<std::uint8_t> data(64);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<std::uint8_t>(i);
  }
  ASSERT_EQ(device.SendFrame(QRV_CMD_WRITE, 0xF040, 64), 1);
  const auto queues = host.window.Link().queues;
  for (const std::uint8_t byte : data) {
    ASSERT_EQ(device.GuardedPut(queues->OperandQueue, queues->OperandMutex, byte), 1);
  }
  std::uint8_t status = 0;
  ASSERT_EQ(device.AwaitReply(status, 1s), 1);
  EXPECT_EQ(status, QRV_DONE);
  std::vector<std::uint8_t> expectedOut = {0x06, 0xF0, 0x40, 0x40};
  expectedOut.insert(expectedOut.end(), data.begin(), data.end());
  const auto sent = host.SentToTarget();
  const auto first = std::find(sent.begin(), sent.end(), QRV_CMD_WRITE);
  ASSERT_NE(first, sent.end());
  EXPECT_EQ(std::vector<std::uint8_t>(first, first + 68), expectedOut);
  const auto flash = host.target.FlashImage();
  EXPECT_TRUE(std::equal(data.begin(), data.end(), flash.begin() + 0xF040));
  EXPECT_FALSE(host.window.Link().LinkLost);
}
TEST(LinkWorker, AfterTheRunCommandTheOperandGoesOutAndTheSilenceIsNotReported) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  const auto queues = host.window.Link().queues;
  auto& device = host.Device();
  host.target.ClearWireLog();
  ASSERT_EQ(device.GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_RUN), 1);
  ASSERT_EQ(device.GuardedPut(queues->OperandQueue, queues->OperandMutex, QRV_RUN_OPERAND), 1);
  ASSERT_TRUE(WaitFor([&] { return !host.target.InBootLoader(); }, 1s));
  ASSERT_TRUE(WaitFor([&] { return host.window.Link().LinkLost.load(); }, 3s));
  EXPECT_FALSE(host.window.Link().WatchdogArmed);
  const auto messagesBefore = host.op.Messages().size();
  host.window.OnTimer();
  EXPECT_EQ(host.op.Messages().size(), messagesBefore);
  EXPECT_EQ(WithoutIdle(host.SentToTarget()), (std::vector<std::uint8_t>{0x62, 0x62}));
}

}  // namespace
}  // namespace quillon
