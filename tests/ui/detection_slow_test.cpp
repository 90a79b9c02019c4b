#include <gtest/gtest.h>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The shipped limits, waited out in real time: 6 s of silence, 30 s of ready bytes only.
TEST(DetectionSlow, ShippedLimitsForASilentTargetEndlessReadyBytesAndReadyBytesThatStop) {
  const struct {
    bool silent;
    std::uint8_t status;
    std::chrono::milliseconds limit;
  } cases[] = {{true, 0x00, 6000ms}, {false, QRV_READY, 30000ms}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    test::PtyPeer silent;
    sim::Config config;
    config.status = c.status;
    test::HostFixture host(config, Timing{});
    if (c.silent) host.Device().SetDevicePath(silent.Path());
    const auto start = Clock::now();
    host.window.OnAutoDetect();
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages().back(), msg::NoResponse);
    EXPECT_GE(took, c.limit - 50ms);
    EXPECT_LT(took, c.limit + 500ms);
  }
  test::HostFixture host({}, Timing{});
  ASSERT_TRUE(host.Detect());
  host.target.SetFaults({.readyStopsAfter = 0});
  const auto stopped = Clock::now();
  ASSERT_TRUE(test::WaitFor([&] { return host.window.Link().LinkLost.load(); }, 8s));
  EXPECT_GE(Clock::now() - stopped, 5900ms);
  EXPECT_LT(Clock::now() - stopped, 6500ms);
}

}  // namespace
}  // namespace quillon
