#include <gtest/gtest.h>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The shipped limits, waited out in real time.
TEST(DetectionSlow, ShippedLimitsForASilentTargetAndEndlessReadyBytes) {
  {
    test::PtyPeer silent;
    test::HostFixture host({}, Timing{});
    host.Device().SetDevicePath(silent.Path());
    const auto start = Clock::now();
    host.window.OnAutoDetect();
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages().back(), msg::NoResponse);
    EXPECT_GE(took, 5950ms);
    EXPECT_LT(took, 6500ms);
  }
  {
    sim::Config config;
    config.status = QRV_READY;
    test::HostFixture host(config, Timing{});
    const auto start = Clock::now();
    EXPECT_FALSE(host.Detect());
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages().back(), msg::NoResponse);
    EXPECT_GE(took, 30s);
    EXPECT_LT(took, 31s);
  }
}

TEST(DetectionSlow, ReadyBytesThatStopAreNoticedAfterSixSeconds) {
  test::HostFixture host({}, Timing{});
  ASSERT_TRUE(host.Detect());
  sim::Faults faults;
  faults.readyStopsAfter = 0;
  host.target.SetFaults(faults);
  const auto stopped = Clock::now();
  while (!host.window.Link().LinkLost && Clock::now() - stopped < 8s) {
    std::this_thread::sleep_for(10ms);
  }
  const auto noticed = Clock::now() - stopped;
  EXPECT_GE(noticed, 5900ms);
  EXPECT_LT(noticed, 6500ms);
}

}  // namespace
}  // namespace quillon
