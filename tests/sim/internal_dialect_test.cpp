#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kReady = 0xF7;

Bytes Repeated(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

Bytes Join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

struct InternalCase {
  std::string name;
  Config config;
  Bytes sent;
  Bytes reply;  // everything after the sent bytes, up to and including the next ready byte
  std::optional<std::uint8_t> statusAfter;
  std::optional<std::pair<std::uint16_t, Bytes>> flashAfter;
};

Config With(Chip chip, void (*change)(Config&) = [](Config&) {}) {
  Config config = ConfigFor(Firmware::V11EInt, chip);
  change(config);
  return config;
}

const std::vector<InternalCase> kCases = {
    {"idle", With(Chip::A32), {0x61}, {kReady}, {}, {}},
    {"unknown byte", With(Chip::A32), {0x33}, {kReady}, {}, {}},
    {"status", With(Chip::A32, [](Config& c) { c.status = 0x42; }), {0x05, 0x55}, {0x42, kReady}, {}, {}},
    {"chip id A32", With(Chip::A32), {0x60}, {0xE2, 0x11, 0x45, kReady}, {}, {}},
    {"chip id A16", With(Chip::A16), {0x60}, {0xE4, 0x11, 0x45, kReady}, {}, {}},
    {"configured id and firmware",
     With(Chip::A32, [](Config& c) { c.chipId = 0x99; c.firmwareMajor = 0x12; c.firmwareLetter = 0x44; }),
     {0x60}, {0x99, 0x12, 0x44, kReady}, {}, {}},
    {"erase", With(Chip::A32), {0x0B, 0x00, 0x80, 0x01}, {0xC0, kReady}, {}, {{0x0080, Repeated(128, 0xFF)}}},
    {"read of 256", With(Chip::A32), {0x0C, 0x01, 0x00, 0x00}, Join(Repeated(256, 0xFF), {kReady}), {}, {}},
    {"burst write", With(Chip::A32), Join({0x0E, 0x01, 0x00, 0x80}, Repeated(128, 0x3C)), {kReady}, {},
     {{0x0100, Repeated(128, 0x3C)}}},
    {"write", With(Chip::A32), {0x06, 0xF0, 0x10, 0x02, 0xAA, 0xBB}, {0xC0, kReady}, {}, {{0xF010, {0xAA, 0xBB}}}},
    {"chip erase", With(Chip::A32), {0x01, 0x00, 0x00, 0x01}, {0xC0, kReady}, {}, {{0x0080, Repeated(128, 0xFF)}}},
    {"remap", With(Chip::A32), {0x02, 0x01}, {kReady}, 0x02, {}},
    {"lock", With(Chip::A32), {0x04, 0x02}, {kReady}, 0x20, {}},
};

TEST(InternalDialect, PromptsRunsEachCommandAndPromptsAgain) {
  for (const InternalCase& c : kCases) {
    SCOPED_TRACE(c.name);
    RunningTarget target(c.config);
    target.emulator.LoadFlash(0x0080, Repeated(128, 0x00));
    ASSERT_EQ(target.client.Receive(1), Bytes{kReady});

    target.client.Send(c.sent);
    EXPECT_EQ(target.client.Receive(c.reply.size()), c.reply);
    EXPECT_EQ(target.client.Drain(), Bytes{});

    if (c.statusAfter) {
      EXPECT_EQ(target.emulator.Status(), *c.statusAfter);
    }
    if (c.flashAfter) {
      const Bytes flash = target.emulator.FlashImage();
      const auto& [address, bytes] = *c.flashAfter;
      EXPECT_EQ(Bytes(flash.begin() + address, flash.begin() + address + bytes.size()), bytes);
    }
  }
}

TEST(InternalDialect, ResetForgetsTheCommandInProgress) {
  RunningTarget target(ConfigFor(Firmware::V11EInt));
  ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
  target.client.Send({0x0C, 0x00});
  ASSERT_TRUE(target.emulator.WaitForWireBytes(3, milliseconds(2000)));
  target.emulator.Reset();
  EXPECT_EQ(target.client.Receive(1), Bytes{kReady});
  target.client.Send({0x60});
  EXPECT_EQ(target.client.Receive(4), (Bytes{0xE2, 0x11, 0x45, kReady}));
}

TEST(InternalDialect, RepeatsAnUnansweredReadyByte) {
  Config config = ConfigFor(Firmware::V11EInt);
  config.readyRepeat = milliseconds(20);
  RunningTarget target(config);
  const Bytes ready = target.client.Receive(50, milliseconds(300));
  EXPECT_GE(ready.size(), 5u);
  EXPECT_LE(ready.size(), 16u);
  EXPECT_EQ(ready, Repeated(ready.size(), kReady));
}

TEST(InternalDialect, PausesBeforePromptingAfterIdleBytesInARow) {
  Config config = ConfigFor(Firmware::V11EInt);
  config.idleReadyGap = milliseconds(30);
  RunningTarget target(config);
  ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
  for (int i = 0; i < 3; ++i) {
    target.client.Send({0x61});
    ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
  }
  const std::vector<WireEvent> log = target.emulator.WireLog();
  ASSERT_EQ(log.size(), 7u);
  EXPECT_LT(log[2].time - log[1].time, milliseconds(30)) << "the first idle byte is answered at once";
  EXPECT_GE(log[4].time - log[3].time, milliseconds(30));
  EXPECT_GE(log[6].time - log[5].time, milliseconds(30));
}

}  // namespace
}  // namespace quillon::sim::testing
