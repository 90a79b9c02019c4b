#include <gtest/gtest.h>

#include "flash_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using namespace test;
using sim::Firmware;

// The commands that write image[from, from + size) at address, as each link sends them.
Commands WriteCommands(bool queued, std::uint32_t address, const Bytes& image, std::size_t from, std::size_t size) {
  const auto count = static_cast<std::uint8_t>(size);
  Bytes write = Frame(queued ? QRV_CMD_BURST_WRITE : QRV_CMD_WRITE, address, count);
  write.insert(write.end(), image.begin() + static_cast<std::ptrdiff_t>(from),
               image.begin() + static_cast<std::ptrdiff_t>(from + size));
  if (queued) {
    return {write, Frame(QRV_CMD_READ, address, count)};
  }
  return {write};
}

TEST(WriteFlash, SendsEveryChunkThatIsNotBlankInTheLinksOwnSize) {
  const struct {
    Firmware firmware;
    std::uint32_t start;
    int sectorSize;
    std::size_t chunk;  // 128-byte bursts queued, half a sector direct
  } cases[] = {
      {Firmware::V11EInt, 0xF000, 64, 128},
      {Firmware::V11EInt, 0x0200, 128, 128},
      {Firmware::V11EExt, 0xF000, 64, 32},
      {Firmware::V11D, 0x0200, 128, 64},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(c.firmware));
    Bytes image = Pattern(256, 0x11);
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(c.chunk),
              image.begin() + static_cast<std::ptrdiff_t>(2 * c.chunk), 0xFF);  // the second chunk is blank
    EXPECT_EQ(host.Device().WriteFlash(static_cast<int>(c.start), c.sectorSize, image.data(), 256), 0);

    Commands expected;
    for (std::size_t from = 0; from < image.size(); from += c.chunk) {
      if (from != c.chunk) {
        const auto address = c.start + static_cast<std::uint32_t>(from);
        const auto more = WriteCommands(host.Queued(), address, image, from, c.chunk);
        expected.insert(expected.end(), more.begin(), more.end());
      }
    }
    EXPECT_EQ(host.Sent(), expected);
    const auto flash = host.target.FlashImage();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin() + c.start));
    const int chunks = static_cast<int>(256 / c.chunk);
    EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", chunks, chunks, true));
  }
}

TEST(WriteFlash, OneByteThatIsNotBlankWritesItsWholeChunk) {
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11EExt}) {
    FlashHost host(TargetOf(firmware));
    Bytes image(256, 0xFF);
    image[130] = 0x00;
    EXPECT_EQ(host.Device().WriteFlash(0x0400, 128, image.data(), 256), 0);
    const std::size_t chunk = host.Queued() ? 128 : 64;
    EXPECT_EQ(host.Sent(), WriteCommands(host.Queued(), 0x0480, image, 128, chunk));
  }
}

TEST(WriteFlash, PadsAShortLastChunkWithBlankBytes) {
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11D}) {
    FlashHost host(TargetOf(firmware));
    const Bytes image = Pattern(100, 0x51);
    EXPECT_EQ(host.Device().WriteFlash(0x0100, 128, image.data(), 100), 0);
    Bytes padded = image;
    padded.resize(128, 0xFF);
    const std::size_t chunk = host.Queued() ? 128 : 64;
    Commands expected = WriteCommands(host.Queued(), 0x0100, padded, 0, chunk);
    if (!host.Queued()) {
      const auto last = WriteCommands(false, 0x0140, padded, 64, 64);
      expected.insert(expected.end(), last.begin(), last.end());
    }
    EXPECT_EQ(host.Sent(), expected);
  }
}

TEST(WriteFlash, QueuedWriteFailsAtTheBurstThatReadsBackDifferently) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  host.target.LoadFlash(0x0085, {0x00});  // programming cannot set bits again
  const Bytes image = Pattern(384, 0x21);
  EXPECT_EQ(host.Device().WriteFlash(0x0000, 128, image.data(), 384), -1);
  Commands expected = WriteCommands(true, 0x0000, image, 0, 128);
  const auto second = WriteCommands(true, 0x0080, image, 128, 128);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(host.Sent(), expected) << "nothing after the failed burst";
  EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", 3, 1, false));
}

TEST(WriteFlash, QueuedWriteFailsWhenAReadBackByteNeverComes) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  sim::Faults faults;
  faults.dropReplyByte = 200;  // in the second burst's read-back
  host.target.SetFaults(faults);
  const Bytes image = Pattern(384, 0x21);
  EXPECT_EQ(host.Device().WriteFlash(0x0000, 128, image.data(), 384), -1);
  EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", 3, 1, false));
}

TEST(WriteFlash, DirectWriteFailsWhenTheTargetDoesNotConfirm) {
  const struct {
    sim::Faults faults;
    std::string_view trace;
    std::size_t commandsSent;
  } cases[] = {
      {[] { sim::Faults f; f.writeStatus = 0x00; return f; }(), "\nTarget is unable to write the sector\n", 1},
      {[] { sim::Faults f; f.dropReplyByte = 0; return f; }(), "\nRead sector confirmation failed\n", 1},
      {[] { sim::Faults f; f.wrongEcho = true; return f; }(), "\nSend burst cmd failed\n", 1},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(Firmware::V11D));
    host.target.SetFaults(c.faults);
    const Bytes image = Pattern(256, 0x31);
    EXPECT_EQ(host.Device().WriteFlash(0x0000, 128, image.data(), 256), -1);
    EXPECT_EQ(host.Sent().size(), c.commandsSent) << "no chunk after the failed one";
    const auto traces = host.op.Traces();
    EXPECT_NE(std::find(traces.begin(), traces.end(), c.trace), traces.end()) << c.trace;
    EXPECT_EQ(host.op.Progress(), ProgressOf("Writing", 4, 0, false));
  }
}

TEST(WriteFlash, DirectWriteFailsWhenADataByteIsNotEchoed) {
  Timing timing = test::FastTiming();
  timing.byteWait = std::chrono::milliseconds(5);
  FlashHost host(TargetOf(Firmware::V11EExt), timing);
  sim::Faults faults;
  faults.silenceAfter = 10;  // the frame's four echoes and six of the data bytes'
  host.target.SetFaults(faults);
  const Bytes image = Pattern(128, 0x41);
  EXPECT_EQ(host.Device().WriteFlash(0x0000, 128, image.data(), 128), -1);
  const auto traces = host.op.Traces();
  EXPECT_NE(std::find(traces.begin(), traces.end(), "\nWrite data byte failed\n"), traces.end());
  EXPECT_EQ(host.Sent(), WriteCommands(false, 0x0000, image, 0, 64)) << "the frame's bytes all go out";
}

}  // namespace
}  // namespace quillon
