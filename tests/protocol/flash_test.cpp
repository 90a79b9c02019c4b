#include <gtest/gtest.h>

#include <algorithm>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace test;
using sim::Firmware;

TEST(WriteFlash, SendsEveryChunkThatIsNotBlankInTheLinksOwnSizePaddingTheLast) {
  // chunk: 128-byte bursts queued, half a sector direct
  // clang-format off
  const struct { Firmware firmware; std::uint32_t start; int sectorSize; std::size_t chunk, length; } cases[] = {
      {Firmware::V11EInt, 0xF000, 64, 128, 256},
      {Firmware::V11EInt, 0x0200, 128, 128, 300},
      {Firmware::V11EExt, 0xF000, 64, 32, 256},
      {Firmware::V11D, 0x0200, 128, 64, 232},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    FlashHost host(TargetOf(c.firmware));
    Bytes image = Counting(c.length, 0x11);
    // The second chunk is blank; the last may be short.
    std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(c.chunk), c.chunk, 0xFF);
    EXPECT_EQ(host.Device().WriteFlash(static_cast<int>(c.start), c.sectorSize, image.data(), int(c.length)), 0);

    image.resize((c.length + c.chunk - 1) / c.chunk * c.chunk, 0xFF);
    // The queued link reads every burst back.
    Commands expected;
    for (std::size_t from = 0; from < image.size(); from += c.chunk) {
      if (from == c.chunk) continue;
      const auto address = c.start + std::uint32_t(from);
      const auto count = static_cast<std::uint8_t>(c.chunk);
      const auto data = image.begin() + static_cast<std::ptrdiff_t>(from);
      expected.push_back(
          Join(Frame(host.Queued() ? QRV_CMD_BURST_WRITE : QRV_CMD_WRITE, address, count), Bytes(data, data + count)));
      if (host.Queued()) expected.push_back(Frame(QRV_CMD_READ, address, count));
    }
    EXPECT_EQ(host.Sent(), expected);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), host.target.FlashImage().begin() + c.start));
    const int chunks = static_cast<int>(image.size() / c.chunk);
    EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", int(c.length / c.chunk), chunks, true));
  }
}

TEST(WriteFlash, StopsAtTheChunkTheTargetDoesNotConfirm) {
  // zeroAt: a byte programmed to 0 before, which no write can set again
  // clang-format off
  const struct { Firmware firmware; int zeroAt; sim::Faults faults; std::string_view trace; std::size_t commandsSent; int advances; } cases[] = {
      {Firmware::V11EInt, 0x85, {}, "", 4, 1},
      {Firmware::V11EInt, -1, {.dropReplyByte = 200}, "", 4, 1},  // in the second burst's read-back
      {Firmware::V11D, -1, {.writeStatus = 0x00}, "\nTarget is unable to write the sector\n", 1, 0},
      {Firmware::V11D, -1, {.dropReplyByte = 0}, "\nRead sector confirmation failed\n", 1, 0},
      {Firmware::V11D, -1, {.wrongEcho = true}, "\nSend burst cmd failed\n", 1, 0},
      {Firmware::V11EExt, -1, {.silenceAfter = 10}, "\nWrite data byte failed\n", 1, 0},  // 4 echoes, 6 data
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    Timing timing = FastTiming();
    timing.byteWait = c.faults.silenceAfter < 0 ? timing.byteWait : 5ms;
    FlashHost host(TargetOf(c.firmware), timing);
    if (c.zeroAt >= 0) host.target.LoadFlash(std::uint32_t(c.zeroAt), {0x00});
    host.target.SetFaults(c.faults);
    const Bytes image = Counting(384, 0x21);
    EXPECT_EQ(host.Device().WriteFlash(0x0000, 128, image.data(), 384), -1);
    EXPECT_EQ(host.Sent().size(), c.commandsSent) << "nothing after the failed chunk";
    EXPECT_TRUE(c.trace.empty() || std::ranges::count(host.op.Traces(), c.trace) > 0);
    EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", host.Queued() ? 3 : 6, c.advances, false));
  }
}

TEST(ReadFlash, AsksForExactlyTheBytesLeftComparesOnlyTheImageAndCountsOnlyWholeChunks) {
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt, Firmware::V11EInt}) {
    FlashHost host(TargetOf(firmware));
    const Bytes flash = Counting(200, 0x30);
    host.target.LoadFlash(0x0100, Join(flash, {0x00, 0x01}));
    Bytes read(200, 0x00);
    EXPECT_EQ(host.Device().ReadFlash(read.data(), 0x0100, 200, 128), 200);
    EXPECT_EQ(read, flash);
    EXPECT_EQ(host.Sent(), (Commands{Frame(QRV_CMD_READ, 0x0100, 0x80), Frame(QRV_CMD_READ, 0x0180, 72)}));
    EXPECT_EQ(host.op.Progress(), ProgressOf("Reading", 1, 2, true));

    host.target.ClearWireLog();
    host.op.ClearRecords();
    int address = -1, pair = 0;
    EXPECT_EQ(host.Device().CompareFlash(0x0100, 128, flash.data(), 200, address, pair), 0);
    EXPECT_EQ(address, -1);
    EXPECT_EQ(host.Sent(), (Commands{Frame(QRV_CMD_READ, 0x0100, 0x80), Frame(QRV_CMD_READ, 0x0180, 0x80)}));
    EXPECT_EQ(host.op.Progress(), ProgressOf("Comparing", 1, 2, true));
    EXPECT_TRUE(host.op.Messages().empty());

    // A reply byte that goes missing: the direct links lose one of the second chunk; the
    // queued link cannot tell a lost byte from the next ready byte, so there the target
    // answers too late instead.
    FlashHost lossy(TargetOf(firmware));
    const bool queued = lossy.Queued();
    lossy.target.LoadFlash(0x0000, Counting(256, 0x30));
    lossy.target.SetFaults(queued ? sim::Faults{.replyDelay = 700ms} : sim::Faults{.dropReplyByte = 70});
    read.assign(256, 0xEE);
    const int whole = queued ? 0 : 64;
    EXPECT_EQ(lossy.Device().ReadFlash(read.data(), 0x0000, 256, 64), whole);
    EXPECT_TRUE(std::all_of(read.begin() + whole, read.end(), [](std::uint8_t b) { return b == 0xEE; }))
        << "nothing of a chunk that did not arrive whole is stored";
    EXPECT_EQ(lossy.op.Progress(), ProgressOf("Reading", 4, whole / 64, false));
  }
}

}  // namespace
}  // namespace quillon
