#include "sim/session.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// A name, the baud rate, the adapter's latency, when the target's end sees the host's bytes
// and when the host can read their echoes.
using TimingCase = std::tuple<std::string, unsigned, milliseconds, std::vector<Burst>, std::vector<Burst>>;

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
std::vector<Burst> Echoes(unsigned baud, milliseconds latency, const std::vector<Burst>& bursts) {
  Config config = ConfigFor(Firmware::V11D);
  config.baud = baud;
  config.latency = latency;
  FlashMemory flash(config.chip);
  Session session(config, flash);
  session.Reset(kStart);
  std::vector<Burst> echoed;
  Session::Progress progress;
  for (auto sent = bursts.begin();;) {
    const Clock::time_point written = sent == bursts.end() ? Clock::time_point::max() : kStart + sent->second;
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
  for (const auto& [name, baud, latency, sent, echoed] : kCases) EXPECT_EQ(Echoes(baud, latency, sent), echoed) << name;
}

}  // namespace
}  // namespace quillon::sim::testing
