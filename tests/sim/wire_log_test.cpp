#include "sim/wire_log.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "running_target.h"
#include "support/host_fixture.h"

namespace quillon::sim::testing {
namespace {

// One line per byte, in its file, of every byte of a conversation; in memory, which every
// host test reads the wire by, the newest events within the capacity and counts of them all.
TEST(WireLog, FormatsKeepsTheNewestEventsAndWritesEveryByteToItsFile) {
  const Clock::time_point origin{};
  EXPECT_EQ(FormatWireEvent({origin + std::chrono::microseconds(12345), Direction::ToTarget, 0x05}, origin),
            "+12.345ms to-target 0x05");
  EXPECT_EQ(FormatWireEvent({origin + milliseconds(1500), Direction::FromTarget, 0xF7}, origin),
            "+1500.000ms from-target 0xF7");
  quillon::sim::WireLog log(2, "");
  for (std::uint8_t byte = 1; byte <= 3; ++byte) log.Record({Clock::now(), Direction::ToTarget, byte});
  EXPECT_EQ(quillon::test::BytesOf(log.Events(), Direction::ToTarget), (Bytes{2, 3}));
  EXPECT_FALSE(log.WaitFor(3, milliseconds(10)));
  EXPECT_EQ(log.Counts().toTarget, 3u) << "the counts go on beyond the capacity";

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
  const std::string line = "\\+[0-9]+\\.[0-9]{3}ms ";
  EXPECT_TRUE(std::regex_match(
      text, std::regex(line + "to-target 0x05\n" + line + "from-target 0x05\n" + line + "from-target 0x00\n")))
      << text;
}

}  // namespace
}  // namespace quillon::sim::testing
