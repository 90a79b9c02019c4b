#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using Region = std::pair<std::uint16_t, Bytes>;  // flash bytes from an address on

struct Case {
  std::string name;
  Config config;
  Bytes sent;
  Bytes received;  // in the internal dialect, after the first ready byte
  std::vector<Region> before = {};
  std::vector<Region> after = {};
  std::optional<std::uint8_t> status = {};
};

const Bytes kZeros(128, 0x00);
const Bytes kErased(128, 0xFF);
constexpr Firmware kInt = Firmware::V11EInt;
constexpr Firmware kDirect = Firmware::V11D;

std::vector<Case> Cases() {
  // clang-format off
  std::vector<Case> cases = {
      {"idle", ConfigFor(kInt), {0x61}, {kReady}},
      {"unknown byte", ConfigFor(kInt), {0x33}, {kReady}},
      {"status", ConfigFor(kInt, Chip::A32, [](Config& c) { c.status = 0x42; }), {0x05, 0x55}, {0x42, kReady}},
      {"chip id A32", ConfigFor(kInt), {0x60}, {0xE2, 0x11, 0x45, kReady}},
      {"chip id A16", ConfigFor(kInt, Chip::A16), {0x60}, {0xE4, 0x11, 0x45, kReady}},
      {"configured id and firmware",
       ConfigFor(kInt, Chip::A32, [](Config& c) { c.chipId = 0x99; c.firmwareMajor = 0x12; c.firmwareLetter = 0x44; }),
       {0x60}, {0x99, 0x12, 0x44, kReady}},
      {"erase", ConfigFor(kInt), {0x0B, 0x00, 0x80, 0x01}, {0xC0, kReady}, {{0x0080, kZeros}}, {{0x0080, kErased}}},
      {"read of 256", ConfigFor(kInt), {0x0C, 0x01, 0x00, 0x00}, Join(Bytes(256, 0xFF), {kReady})},
      {"burst write", ConfigFor(kInt), Join({0x0E, 0x01, 0x00, 0x80}, Bytes(128, 0x3C)), {kReady}, {},
       {{0x0100, Bytes(128, 0x3C)}}},
      {"write", ConfigFor(kInt), {0x06, 0xF0, 0x10, 0x02, 0xAA, 0xBB}, {0xC0, kReady}, {}, {{0xF010, {0xAA, 0xBB}}}},
      {"chip erase", ConfigFor(kInt), {0x01, 0x00, 0x00, 0x01}, {0xC0, kReady}, {{0x0080, kZeros}}, {{0x0080, kErased}}},
      {"remap", ConfigFor(kInt), {0x02, 0x01}, {kReady}, {}, {}, 0x02},
      {"lock", ConfigFor(kInt), {0x04, 0x02}, {kReady}, {}, {}, 0x20},
      {"bits flipped: the second echo, the first reply",
       ConfigFor(kDirect, Chip::A32, [](Config& c) { c.faults.flips = {{false, 1, 0x01}, {true, 0, 0x80}}; }),
       {0x05, 0x05}, {0x05, 0x80, 0x04, 0x00}},
  };
  // clang-format on
  // Here received is what follows the echo of every byte sent.
  // clang-format off
  const std::vector<Case> direct = {
      {"read status", ConfigFor(kDirect, Chip::A32, [](Config& c) { c.status = 0x83; }), {0x05}, {0x83}, {}, {}, 0x83},
      {"read", ConfigFor(kDirect), {0x0C, 0x01, 0x00, 0x04}, {0x11, 0xFF, 0xFF, 0x44}, {{0x0100, {0x11}}, {0x0103, {0x44}}}},
      {"read past block 0 of the A16", ConfigFor(kDirect, Chip::A16), {0x0C, 0x3F, 0xFF, 0x02}, {0xFF, 0xFF}},
      {"erase block 0 sector", ConfigFor(kDirect), {0x0B, 0x00, 0x85, 0x01}, {0xC0}, {{0x007F, Bytes(130, 0x00)}},
       {{0x007F, {0x00}}, {0x0080, kErased}, {0x0100, {0x00}}}},
      {"erase block 1 sector", ConfigFor(kDirect, Chip::A16), {0x0B, 0xF0, 0x45, 0x01}, {0xC0},
       {{0xF03F, Bytes(66, 0x00)}}, {{0xF03F, {0x00}}, {0xF040, Bytes(64, 0xFF)}, {0xF080, {0x00}}}},
      {"program clears bits only", ConfigFor(kDirect), {0x06, 0x00, 0x10, 0x03, 0xAA, 0x55, 0xF0}, {0xC0},
       {{0x0012, {0x0F}}}, {{0x0010, {0xAA, 0x55, 0x00}}}},
      {"chip erase", ConfigFor(kDirect), {0x01, 0x00, 0x00, 0x01}, {0xC0}, {{0x0000, {0}}, {0x7FFF, {0}}, {0xFFFF, {0}}},
       {{0x0000, {0xFF}}, {0x7FFF, {0xFF}}, {0xFFFF, {0xFF}}}},
      {"remap RB0", ConfigFor(kDirect), {0x02, 0x00}, {}, {}, {}, 0x01},
      {"remap RB1", ConfigFor(kDirect, Chip::A32, [](Config& c) { c.status = 0x01; }), {0x02, 0x01}, {}, {}, {}, 0x03},
      {"lock SB1", ConfigFor(kDirect), {0x04, 0x00}, {}, {}, {}, 0x80},
      {"lock SB2", ConfigFor(kDirect), {0x04, 0x01}, {}, {}, {}, 0x40},
      {"lock SB3", ConfigFor(kDirect, Chip::A32, [](Config& c) { c.status = 0x80; }), {0x04, 0x02}, {}, {}, {}, 0xA0},
      {"internal-mode commands are only echoed", ConfigFor(kDirect), {0x60, 0x62, 0x61}, {}},
  };
  // clang-format on
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt}) {
    for (Case c : direct) {
      c.config.firmware = firmware;
      c.received = Join(c.sent, c.received);
      cases.push_back(std::move(c));
    }
    cases.push_back({"commands follow one another",
                     ConfigFor(firmware),
                     {0x06, 0xF0, 0x00, 0x01, 0x5A, 0x0C, 0xF0, 0x00, 0x01, 0x05},
                     {0x06, 0xF0, 0x00, 0x01, 0x5A, 0xC0, 0x0C, 0xF0, 0x00, 0x01, 0x5A, 0x05, 0x00}});
  }
  return cases;
}

TEST(Dialects, AnswerEachCommandAsTheFirmwareDoes) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name + " on " + ::testing::PrintToString(c.config.firmware));
    RunningTarget target(c.config);
    for (const auto& [address, bytes] : c.before) target.emulator.LoadFlash(address, bytes);
    if (c.config.firmware == kInt) {
      ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
    }
    target.client.Send(c.sent);
    EXPECT_EQ(target.client.Receive(c.received.size()), c.received);
    EXPECT_EQ(target.client.Drain(), Bytes{});
    EXPECT_TRUE(target.emulator.InBootLoader());
    EXPECT_EQ(c.status.value_or(target.emulator.Status()), target.emulator.Status());
    const Bytes flash = target.emulator.FlashImage();
    for (const auto& [address, bytes] : c.after)
      EXPECT_EQ(Bytes(flash.begin() + address, flash.begin() + address + bytes.size()), bytes) << "at " << address;
  }
}

// Every 20 ms for 300 ms, unless the fault stops them after three.
TEST(InternalDialect, RepeatsAnUnansweredReadyByteUntilTheFaultStopsIt) {
  for (const int stopsAfter : {-1, 3}) {
    SCOPED_TRACE(stopsAfter);
    Config config = ConfigFor(kInt);
    config.readyRepeat = milliseconds(20);
    config.faults.readyStopsAfter = stopsAfter;
    RunningTarget target(config);
    const Bytes ready = target.client.Receive(50, milliseconds(300));
    EXPECT_EQ(ready, Bytes(ready.size(), kReady));
    EXPECT_GE(ready.size(), stopsAfter > 0 ? 3u : 5u);
    EXPECT_LE(ready.size(), stopsAfter > 0 ? 3u : 16u);
  }
}

// A reset, after that, forgets the command in progress.
TEST(InternalDialect, PausesBeforePromptingAfterIdleBytesInARowAndResetsAnywhere) {
  RunningTarget target(ConfigFor(kInt, Chip::A32, [](Config& c) { c.idleReadyGap = milliseconds(30); }));
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

  target.client.Send({0x0C, 0x00});
  ASSERT_TRUE(target.emulator.WaitForWireBytes(9, milliseconds(2000)));
  target.emulator.Reset();
  EXPECT_EQ(target.client.Receive(1), Bytes{kReady});
  target.client.Send({0x60});
  EXPECT_EQ(target.client.Receive(4), (Bytes{0xE2, 0x11, 0x45, kReady}));
}

}  // namespace
}  // namespace quillon::sim::testing
