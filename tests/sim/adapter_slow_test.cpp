#include <gtest/gtest.h>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// Only echoed in the direct dialects: every byte sent comes back alone.
constexpr std::uint8_t kEchoedOnly = 0x60;

// How long the echoes of so many bytes written at once take to come back.
Clock::duration RoundTrip(RunningTarget& target, std::size_t count) {
  const Clock::time_point sent = Clock::now();
  target.client.Send(Bytes(count, kEchoedOnly));
  EXPECT_EQ(target.client.Receive(count), Bytes(count, kEchoedOnly));
  return Clock::now() - sent;
}

TEST(Adapter, HoldsAShortPacketUntilItsTimerTicksEachWay) {
  Config config = ConfigFor(Firmware::V11D);
  config.latency = milliseconds(16);
  RunningTarget target(config);
  for (int i = 0; i < 3; ++i) {
    const Clock::duration took = RoundTrip(target, 1);
    EXPECT_GE(took, milliseconds(16));
    EXPECT_LT(took, milliseconds(250));
  }
}

TEST(Adapter, PassesAFullPacketOnWithoutWaitingForTheTick) {
  Config config = ConfigFor(Firmware::V11D);
  config.latency = milliseconds(255);
  RunningTarget target(config);
  EXPECT_GE(RoundTrip(target, 61), milliseconds(255));
  EXPECT_LT(RoundTrip(target, 62), milliseconds(150));
}

}  // namespace
}  // namespace quillon::sim::testing
