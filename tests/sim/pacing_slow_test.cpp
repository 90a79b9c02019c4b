#include <gtest/gtest.h>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

constexpr unsigned kBaud = 9600;
constexpr auto kByteTime = std::chrono::microseconds(10'000'000 / kBaud);  // 1041 us

std::vector<Clock::time_point> TimesOf(const std::vector<WireEvent>& events, Direction direction) {
  std::vector<Clock::time_point> times;
  for (const WireEvent& event : events)
    if (event.direction == direction) times.push_back(event.time);
  return times;
}

// Fast enough that a target which lost a wake-up's lateness on every byte would fall far behind.
TEST(Pacing, RepliesAtTheLinesPaceNoFasterNoSlower) {
  constexpr unsigned kFastBaud = 230400;
  constexpr auto kFastByteTime = std::chrono::nanoseconds(10'000'000'000LL / kFastBaud);
  constexpr std::size_t kReads = 16;
  constexpr std::size_t kReplied = kReads * 257;  // 256 bytes and a ready byte each
  RunningTarget target(ConfigFor(Firmware::V11EInt, Chip::A32, [](Config& c) { c.baud = kFastBaud; }));
  ASSERT_EQ(target.client.Receive(1), Bytes{kReady});
  Bytes reads;
  for (std::size_t i = 0; i < kReads; ++i) reads.insert(reads.end(), {0x0C, 0x00, 0x00, 0x00});

  const Clock::time_point sent = Clock::now();
  target.client.Send(reads);
  ASSERT_EQ(target.client.Receive(kReplied, milliseconds(5000)).size(), kReplied);
  const auto took = Clock::now() - sent;
  EXPECT_GE(took, (4 + kReplied) * kFastByteTime);
  EXPECT_LT(took, 2 * (4 + kReplied) * kFastByteTime);

  const auto out = TimesOf(target.emulator.WireLog(), Direction::FromTarget);
  ASSERT_EQ(out.size(), kReplied + 1);
  for (std::size_t i = 2; i < out.size(); ++i) EXPECT_GE(out[i] - out[i - 1], kFastByteTime) << i;
}

TEST(Pacing, TakesBytesNoFasterThanTheLine) {
  RunningTarget target(ConfigFor(Firmware::V11D, Chip::A32, [](Config& c) { c.baud = kBaud; }));
  Bytes frame = {0x06, 0x00, 0x00, 100};
  frame.resize(104, 0x5A);

  const Clock::time_point sent = Clock::now();
  target.client.Send(frame);
  ASSERT_EQ(target.client.Receive(105).size(), 105u);
  // The last echo and the status byte leave one after the other once the last byte is in.
  EXPECT_GE(Clock::now() - sent, 106 * kByteTime);

  const auto in = TimesOf(target.emulator.WireLog(), Direction::ToTarget);
  ASSERT_EQ(in.size(), 104u);
  for (std::size_t i = 1; i < in.size(); ++i) EXPECT_GE(in[i] - in[i - 1], kByteTime) << i;
}

}  // namespace
}  // namespace quillon::sim::testing
