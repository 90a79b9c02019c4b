#include <gtest/gtest.h>

#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kReady = 0xF7;

struct FaultCase {
  std::string name;
  Firmware firmware;
  Faults faults;
  Bytes sent;
  Bytes received;  // internal mode: after the first ready byte
};

Faults Make(void (*change)(Faults&)) {
  Faults faults;
  change(faults);
  return faults;
}

const std::vector<FaultCase> kCases = {
    {"no echo", Firmware::V11D, Make([](Faults& f) { f.noEcho = true; }), {0x05}, {0x00}},
    {"dropped reply byte", Firmware::V11EInt, Make([](Faults& f) { f.dropReplyByte = 1; }),
     {0x60}, {0xE2, 0x45, kReady}},
    {"extra byte", Firmware::V11EInt, Make([](Faults& f) { f.extraByteAfterReply = 0; f.extraByteValue = 0x5A; }),
     {0x05, 0x55}, {0x00, 0x5A, kReady}},
    {"ready bytes stop", Firmware::V11EInt, Make([](Faults& f) { f.readyStopsAfter = 1; }),
     {0x05, 0x55}, {0x00}},
    {"silence after three bytes", Firmware::V11D, Make([](Faults& f) { f.silenceAfter = 3; }),
     {0x05, 0x05}, {0x05, 0x00, 0x05}},
    {"reset part-way, direct", Firmware::V11D, Make([](Faults& f) { f.resetAfter = 2; }),
     {0x0C, 0x00, 0x05}, {0x0C, 0x05, 0x00}},
    {"reset part-way, internal", Firmware::V11EInt, Make([](Faults& f) { f.resetAfter = 2; }),
     {0x0C, 0x00}, {kReady}},
};

TEST(Faults, ChangeWhatComesBack) {
  for (const FaultCase& c : kCases) {
    SCOPED_TRACE(c.name);
    Config config = ConfigFor(c.firmware);
    config.faults = c.faults;
    RunningTarget target(config);
    if (c.firmware == Firmware::V11EInt) {
      ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
    }

    target.client.Send(c.sent);
    EXPECT_EQ(target.client.Receive(c.received.size()), c.received);
    EXPECT_EQ(target.client.Drain(), Bytes{});
  }
}

TEST(Faults, ReadyBytesThatStopAlsoStopRepeating) {
  Config config = ConfigFor(Firmware::V11EInt);
  config.readyRepeat = milliseconds(20);
  config.faults.readyStopsAfter = 3;
  RunningTarget target(config);
  EXPECT_EQ(target.client.Receive(10, milliseconds(300)), Bytes(3, kReady));
}

}  // namespace
}  // namespace quillon::sim::testing
