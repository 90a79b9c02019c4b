#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

struct FlashByte {
  std::uint16_t address;
  std::uint8_t value;
};

struct DirectCase {
  std::string name;
  Chip chip;
  std::uint8_t status;
  std::vector<FlashByte> before;  // loaded raw before the command
  Bytes sent;
  Bytes reply;                    // what follows the echo of every sent byte
  std::optional<std::uint8_t> statusAfter;
  std::vector<FlashByte> after;
};

const std::vector<DirectCase> kCases = {
    {"read status", Chip::A32, 0x83, {}, {0x05}, {0x83}, 0x83, {}},
    {"read", Chip::A32, 0, {{0x0100, 0x11}, {0x0103, 0x44}}, {0x0C, 0x01, 0x00, 0x04}, {0x11, 0xFF, 0xFF, 0x44}, {}, {}},
    {"read past block 0 of the A16", Chip::A16, 0, {}, {0x0C, 0x3F, 0xFF, 0x02}, {0xFF, 0xFF}, {}, {}},
    {"erase block 0 sector", Chip::A32, 0, {{0x007F, 0}, {0x0080, 0}, {0x00FF, 0}, {0x0100, 0}},
     {0x0B, 0x00, 0x85, 0x01}, {0xC0}, {}, {{0x007F, 0}, {0x0080, 0xFF}, {0x00FF, 0xFF}, {0x0100, 0}}},
    {"erase block 1 sector", Chip::A16, 0, {{0xF03F, 0}, {0xF040, 0}, {0xF07F, 0}, {0xF080, 0}},
     {0x0B, 0xF0, 0x45, 0x01}, {0xC0}, {}, {{0xF03F, 0}, {0xF040, 0xFF}, {0xF07F, 0xFF}, {0xF080, 0}}},
    {"program clears bits only", Chip::A32, 0, {{0x0012, 0x0F}},
     {0x06, 0x00, 0x10, 0x03, 0xAA, 0x55, 0xF0}, {0xC0}, {}, {{0x0010, 0xAA}, {0x0011, 0x55}, {0x0012, 0x00}}},
    {"chip erase", Chip::A32, 0, {{0x0000, 0}, {0x7FFF, 0}, {0xFFFF, 0}},
     {0x01, 0x00, 0x00, 0x01}, {0xC0}, {}, {{0x0000, 0xFF}, {0x7FFF, 0xFF}, {0xFFFF, 0xFF}}},
    {"remap RB0", Chip::A32, 0, {}, {0x02, 0x00}, {}, 0x01, {}},
    {"remap RB1", Chip::A32, 0x01, {}, {0x02, 0x01}, {}, 0x03, {}},
    {"lock SB1", Chip::A32, 0, {}, {0x04, 0x00}, {}, 0x80, {}},
    {"lock SB2", Chip::A32, 0, {}, {0x04, 0x01}, {}, 0x40, {}},
    {"lock SB3", Chip::A32, 0x80, {}, {0x04, 0x02}, {}, 0xA0, {}},
    {"internal-mode commands are only echoed", Chip::A32, 0, {}, {0x60, 0x62, 0x61}, {}, {}, {}},
};

class DirectDialect : public ::testing::TestWithParam<Firmware> {};

TEST_P(DirectDialect, EchoesEveryByteThenReplies) {
  for (const DirectCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Config config = ConfigFor(GetParam(), c.chip);
    config.status = c.status;
    RunningTarget target(config);
    for (const FlashByte& b : c.before) target.emulator.LoadFlash(b.address, {b.value});

    target.client.Send(c.sent);
    Bytes expected = c.sent;
    expected.insert(expected.end(), c.reply.begin(), c.reply.end());
    EXPECT_EQ(target.client.Receive(expected.size()), expected);
    EXPECT_EQ(target.client.Drain(), Bytes{});

    if (c.statusAfter) {
      EXPECT_EQ(target.emulator.Status(), *c.statusAfter);
    }
    const Bytes flash = target.emulator.FlashImage();
    for (const FlashByte& b : c.after) EXPECT_EQ(flash[b.address], b.value) << "at " << b.address;
  }
}

TEST_P(DirectDialect, CommandsFollowOneAnother) {
  RunningTarget target(ConfigFor(GetParam()));
  target.client.Send({0x06, 0xF0, 0x00, 0x01, 0x5A, 0x0C, 0xF0, 0x00, 0x01, 0x05});
  EXPECT_EQ(target.client.Receive(13),
            (Bytes{0x06, 0xF0, 0x00, 0x01, 0x5A, 0xC0, 0x0C, 0xF0, 0x00, 0x01, 0x5A, 0x05, 0x00}));
  EXPECT_TRUE(target.emulator.InBootLoader());
}

INSTANTIATE_TEST_SUITE_P(BothFirmwares, DirectDialect, ::testing::Values(Firmware::V11D, Firmware::V11EExt),
                         [](const auto& test) { return test.param == Firmware::V11D ? "V11D" : "V11EExt"; });

}  // namespace
}  // namespace quillon::sim::testing
