#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

// The shipped time limits and the stop, waited out in real time.
namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace test;
using Clock = std::chrono::steady_clock;
using sim::Firmware;

// 6 s of silence, 30 s of ready bytes only, and 6 s after the ready bytes stop.
TEST(DetectionSlow, ShippedLimitsForASilentTargetEndlessReadyBytesAndReadyBytesThatStop) {
  // clang-format off
  const struct { bool silent; std::uint8_t status; std::chrono::milliseconds limit; } cases[] = {
      {true, 0x00, 6000ms},
      {false, QRV_READY, 30000ms},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    PtyPeer silent;
    sim::Config config;
    config.status = c.status;
    HostFixture host(config, Timing{});
    if (c.silent) host.Device().SetDevicePath(silent.Path());
    const auto start = Clock::now();
    host.window.OnAutoDetect();
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages().back(), msg::NoResponse);
    EXPECT_GE(took, c.limit - 50ms);
    EXPECT_LT(took, c.limit + 500ms);
  }
  HostFixture host({}, Timing{});
  ASSERT_TRUE(host.Detect());
  host.target.SetFaults({.readyStopsAfter = 0});
  const auto stopped = Clock::now();
  ASSERT_TRUE(WaitFor([&] { return host.window.Link().LinkLost.load(); }, 8s));
  EXPECT_GE(Clock::now() - stopped, 5900ms);
  EXPECT_LT(Clock::now() - stopped, 6500ms);
}

// A 32 KB download at 9600 baud, stopped while it writes: it ends within a second, says up
// to where the frames it sent reached, and leaves the link fit for the next command.
TEST(Stop, EndsALongDownloadWithinASecondAndTheNextCommandSucceeds) {
  const Bytes file = Counting(0x8000, 1);
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt, Firmware::V11EInt}) {
    SCOPED_TRACE(static_cast<int>(firmware));
    sim::Config config = TargetOf(firmware);
    config.baud = 9600;
    HostFixture host(config, Timing{});
    host.Device().SetBaudRate(9600);
    ASSERT_TRUE(host.Detect());
    host.ChooseFile(host.File("fw.bin", file), 0);
    host.op.QueueAnswer(Answer::Yes);
    Clock::time_point raised;
    std::thread stopper([&] {
      WaitFor([&] { return std::ranges::count(host.op.Progress(), "text Writing") > 0; }, 10s);
      std::this_thread::sleep_for(300ms);
      raised = Clock::now();
      host.window.Link().Stop.Raise();
    });
    EXPECT_EQ(host.window.OnDownload(), -1);
    const auto took = Clock::now() - raised;
    stopper.join();
    EXPECT_LT(took, 1s);
    EXPECT_EQ(host.window.LastOutcome(), Outcome::Stopped);
    EXPECT_EQ(host.op.Progress().back(), "text Abort");

    const std::string told = host.op.Messages().back();
    std::smatch where;
    ASSERT_TRUE(std::regex_match(
        told, where, std::regex("Stopped at (....)h: flash from 0000h to (....)h may be partly programmed")))
        << told;
    const auto at = std::stoul(where[1], nullptr, 16);
    EXPECT_EQ(std::stoul(where[2], nullptr, 16) + 1, at) << "the frame under way was finished";
    const Bytes flash = host.target.FlashImage();
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + long(at), flash.begin()));
    EXPECT_TRUE(
        std::all_of(flash.begin() + long(at), flash.begin() + 0x8000, [](std::uint8_t b) { return b == 0xFF; }));

    host.ChooseRange(0, 1);
    host.window.RunExclusive([&] { host.window.OnRead(); });  // as the window starts a command
    EXPECT_EQ(host.window.LastOutcome(), Outcome::Done);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 128, host.Chip().BlockBuffer(0).begin()));
  }
}

}  // namespace
}  // namespace quillon
