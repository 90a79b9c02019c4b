#include "sim/session.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::microseconds;

// On every adapter tick used here, so that the expected times are round; at 10000 baud a
// byte takes exactly 1 ms.
const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);
constexpr unsigned kMsPerByte = 10'000;

using Burst = std::pair<std::size_t, microseconds>;  // so many bytes at one moment after kStart

struct TimingCase {
  std::string name;
  unsigned baud;
  milliseconds latency;
  std::vector<Burst> sent;    // when the target's end sees the host's bytes
  std::vector<Burst> echoed;  // when the host can read the echoes
};

// clang-format off
const std::vector<TimingCase> kCases = {
    {"unpaced, no adapter", 0, milliseconds(0), {{3, microseconds(0)}}, {{3, microseconds(0)}}},
    {"a byte time per byte each way", kMsPerByte, milliseconds(0), {{3, microseconds(0)}},
     {{1, milliseconds(2)}, {1, milliseconds(3)}, {1, milliseconds(4)}}},
    {"a byte sent later starts later", kMsPerByte, milliseconds(0), {{1, microseconds(0)}, {1, milliseconds(5)}},
     {{1, milliseconds(2)}, {1, milliseconds(7)}}},
    {"a short packet waits for the tick each way", 0, milliseconds(16), {{1, milliseconds(1)}}, {{1, milliseconds(32)}}},
    {"a byte on the tick waits for the next", 0, milliseconds(16), {{1, milliseconds(16)}}, {{1, milliseconds(48)}}},
    {"a full packet goes at once", 0, milliseconds(16), {{63, milliseconds(1)}},
     {{62, milliseconds(1)}, {1, milliseconds(32)}}},
    {"adapter, then line, then adapter", kMsPerByte, milliseconds(1), {{2, microseconds(500)}},
     {{1, milliseconds(4)}, {1, milliseconds(5)}}},
};
// clang-format on

// Runs the session in virtual time, waking exactly when it asks to or when the host writes.
std::vector<Burst> Echoes(const TimingCase& c) {
  Config config = ConfigFor(Firmware::V11D);
  config.baud = c.baud;
  config.latency = c.latency;
  FlashMemory flash(config.chip);
  Session session(config, flash);
  session.Reset(kStart);
  std::vector<Burst> echoed;
  Session::Progress progress;
  for (auto sent = c.sent.begin();;) {
    const Clock::time_point written = sent == c.sent.end() ? Clock::time_point::max() : kStart + sent->second;
    const Clock::time_point now = std::min(session.NextEvent(), written);
    if (now == Clock::time_point::max()) return echoed;
    if (now == written) {
      // Read id: only echoed in the direct dialects.
      for (std::size_t i = 0; i < sent->first; ++i) session.FromHost(0x60, now);
      ++sent;
    }
    session.Run(now, progress);
    if (!progress.toHost.empty())
      echoed.emplace_back(progress.toHost.size(), duration_cast<microseconds>(now - kStart));
    progress.toHost.clear();
  }
}

TEST(LineTiming, DeliversEachByteWhenTheLineAndTheAdapterLetIt) {
  for (const TimingCase& c : kCases) EXPECT_EQ(Echoes(c), c.echoed) << c.name;
}

}  // namespace
}  // namespace quillon::sim::testing
