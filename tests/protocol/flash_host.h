#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "ui/range_dialog.h"

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;
using Commands = std::vector<Bytes>;

// The host's side of the wire cut into commands with their operands and data, the queued
// link's idle bytes left out, so that a test states what was asked, not how it travelled.
inline Commands CommandsIn(const Bytes& sent, bool queued) {
  Commands commands;
  for (std::size_t i = 0; i < sent.size();) {
    const std::uint8_t code = sent[i];
    if (queued && code == QRV_IDLE) {
      ++i;
      continue;
    }
    std::size_t length = 1;
    switch (code) {
      case QRV_CMD_CHIP_ERASE: case QRV_CMD_ERASE: case QRV_CMD_READ: length = 4; break;
      case QRV_CMD_WRITE: case QRV_CMD_BURST_WRITE:
        length = i + 3 < sent.size() ? 4u + sent[i + 3] : 4u;
        break;
      case QRV_CMD_LOCK: case QRV_CMD_REMAP: length = 2; break;
      case QRV_CMD_READ_STATUS: case QRV_CMD_RUN: length = queued ? 2 : 1; break;
      default: break;
    }
    const std::size_t end = std::min(sent.size(), i + length);
    commands.emplace_back(sent.begin() + static_cast<std::ptrdiff_t>(i),
                          sent.begin() + static_cast<std::ptrdiff_t>(end));
    i = end;
  }
  return commands;
}

// A window detected on an emulated target, its records and wire log cleared, so that a
// test sees only what its own command does.
struct FlashHost : HostFixture {
  explicit FlashHost(sim::Config targetConfig, Timing timing = FastTiming()) : HostFixture(targetConfig, timing) {
    EXPECT_TRUE(Detect());
    target.ClearWireLog();
    op.ClearRecords();
  }

  bool Queued() const { return config.firmware == sim::Firmware::V11EInt; }
  Commands Sent() const { return CommandsIn(SentToTarget(), Queued()); }

  // Answers the range dialog with these list indexes.
  void ChooseRange(int start, int range) {
    op.onRange = [start, range](CRangeDlg& dialog) { return dialog.SelectStart(start) && dialog.SelectRange(range); };
  }
};

inline Bytes Frame(std::uint8_t code, std::uint32_t address, std::uint8_t data) {
  return {code, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), data};
}

// count frames with the same operand, each stride further on.
inline Commands Frames(std::uint8_t code, std::uint32_t first, std::uint32_t stride, int count, std::uint8_t data) {
  Commands frames;
  for (int i = 0; i < count; ++i) {
    frames.push_back(Frame(code, first + static_cast<std::uint32_t>(i) * stride, data));
  }
  return frames;
}

inline Bytes Pattern(std::size_t size, std::uint8_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  }
  return bytes;
}

// The progress bar of one operation of that many units, stepped that many times.
inline std::vector<std::string> ProgressOf(std::string_view label, int units, int advances, bool done) {
  std::vector<std::string> progress{"range " + std::to_string(units), "reset", "text " + std::string(label)};
  progress.insert(progress.end(), static_cast<std::size_t>(advances), "advance");
  progress.insert(progress.end(), {"reset", done ? "text Done" : "text Abort"});
  return progress;
}

}  // namespace quillon::test
