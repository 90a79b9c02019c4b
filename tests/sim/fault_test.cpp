#include <gtest/gtest.h>

#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kReady = 0xF7;

struct FaultCase {
  std::string name;
  Firmware firmware;
  Faults faults;
  Bytes sent;
  Bytes received;  // internal mode: after the first ready byte
  milliseconds atLeast{0};  // from sending to the last byte received
};

Faults Make(void (*change)(Faults&)) {
  Faults faults;
  change(faults);
  return faults;
}

const std::vector<FaultCase> kCases = {
    {"no echo", Firmware::V11D, Make([](Faults& f) { f.noEcho = true; }), {0x05}, {0x00}},
    {"wrong echo", Firmware::V11EExt, Make([](Faults& f) { f.wrongEcho = true; }), {0x05}, {0xFA, 0x00}},
    {"erase status", Firmware::V11D, Make([](Faults& f) { f.eraseStatus = 0xC1; }),
     {0x0B, 0x00, 0x00, 0x01}, {0x0B, 0x00, 0x00, 0x01, 0xC1}},
    {"write status", Firmware::V11EInt, Make([](Faults& f) { f.writeStatus = 0x00; }),
     {0x06, 0x00, 0x00, 0x01, 0x12}, {0x00, kReady}},
    {"chip erase status", Firmware::V11EExt, Make([](Faults& f) { f.chipEraseStatus = 0x80; }),
     {0x01, 0x00, 0x00, 0x01}, {0x01, 0x00, 0x00, 0x01, 0x80}},
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
    {"reply delay", Firmware::V11EExt, Make([](Faults& f) { f.replyDelay = milliseconds(60); }),
     {0x05}, {0x05, 0x00}, milliseconds(60)},
    {"slow chip erase", Firmware::V11EInt, Make([](Faults& f) { f.chipEraseTime = milliseconds(60); }),
     {0x01, 0x00, 0x00, 0x01}, {0xC0, kReady}, milliseconds(60)},
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

    const Clock::time_point sent = Clock::now();
    target.client.Send(c.sent);
    EXPECT_EQ(target.client.Receive(c.received.size()), c.received);
    EXPECT_GE(Clock::now() - sent, c.atLeast);
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
