#include "sim/wire_log.h"

#include <gtest/gtest.h>

#include <string>

#include "running_target.h"
#include "support/host_fixture.h"

namespace quillon::sim::testing {
namespace {

TEST(WireLog, FormatsOneLinePerByteAndKeepsTheNewestEventsWithinItsCapacity) {
  const Clock::time_point origin{};
  EXPECT_EQ(FormatWireEvent({origin + std::chrono::microseconds(12345), Direction::ToTarget, 0x05}, origin),
            "+12.345ms to-target 0x05");
  EXPECT_EQ(FormatWireEvent({origin + milliseconds(1500), Direction::FromTarget, 0xF7}, origin),
            "+1500.000ms from-target 0xF7");

  quillon::sim::WireLog log(2, "");
  for (std::uint8_t byte = 1; byte <= 3; ++byte) log.Record({Clock::now(), Direction::ToTarget, byte});
  const std::vector<WireEvent> events = log.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].byte, 2);
  EXPECT_EQ(events[1].byte, 3);
  EXPECT_FALSE(log.WaitFor(3, milliseconds(10)));
  EXPECT_EQ(log.Counts().toTarget, 3u) << "the counts go on beyond the capacity";
}

// The events in memory are what every host test reads the wire by; here, the file.
TEST(WireLog, WritesEveryByteOfAConversationToItsFile) {
  const quillon::test::TempDir dir;
  Config config = ConfigFor(Firmware::V11D);
  config.logPath = (dir / "wire.log").string();
  {
    RunningTarget target(config);
    target.client.Send({0x05});
    ASSERT_TRUE(target.emulator.WaitForWireBytes(3, milliseconds(2000)));
    target.emulator.ClearWireLog();
    EXPECT_EQ(target.emulator.WireByteCounts().fromTarget, 2u) << "the counts outlast the events";
  }
  const std::string text = quillon::test::ReadText(dir / "wire.log");
  EXPECT_NE(text.find(" to-target 0x05\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" from-target 0x05\n"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with(" from-target 0x00\n")) << text;
}

}  // namespace
}  // namespace quillon::sim::testing
