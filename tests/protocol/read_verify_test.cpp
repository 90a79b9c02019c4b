#include <gtest/gtest.h>

#include "flash_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using namespace test;
using sim::Firmware;

constexpr Firmware AllFirmware[] = {Firmware::V11D, Firmware::V11EExt, Firmware::V11EInt};

TEST(ReadFlash, AsksForExactlyTheBytesLeftInTheLastChunk) {
  for (const Firmware firmware : AllFirmware) {
    FlashHost host(TargetOf(firmware));
    const Bytes flash = Pattern(200, 0x30);
    host.target.LoadFlash(0x0100, flash);
    Bytes read(200, 0x00);
    EXPECT_EQ(host.Device().ReadFlash(read.data(), 0x0100, 200, 128), 200);
    EXPECT_EQ(read, flash);
    EXPECT_EQ(host.Sent(), (Commands{Frame(QRV_CMD_READ, 0x0100, 0x80), Frame(QRV_CMD_READ, 0x0180, 72)}));
    EXPECT_EQ(host.op.Progress(), ProgressOf("Reading", 1, 2, true));
  }
}

// A reply byte that goes missing: the direct links lose one of the second chunk; the
// queued link cannot tell a lost byte from the next ready byte, so there the target
// answers too late instead.
sim::Faults MissingReplyByte(bool queued, int index) {
  sim::Faults faults;
  if (queued) {
    faults.replyDelay = std::chrono::milliseconds(700);
  } else {
    faults.dropReplyByte = index;
  }
  return faults;
}

TEST(ReadFlash, CountsOnlyTheWholeChunksThatArrived) {
  for (const Firmware firmware : AllFirmware) {
    FlashHost host(TargetOf(firmware));
    host.target.LoadFlash(0x0000, Pattern(256, 0x30));
    host.target.SetFaults(MissingReplyByte(host.Queued(), 70));
    Bytes read(256, 0xEE);
    const int whole = host.Queued() ? 0 : 64;
    EXPECT_EQ(host.Device().ReadFlash(read.data(), 0x0000, 256, 64), whole);
    EXPECT_TRUE(std::all_of(read.begin() + whole, read.end(), [](std::uint8_t b) { return b == 0xEE; }))
        << "nothing of a chunk that did not arrive whole is stored";
    EXPECT_EQ(host.op.Progress(), ProgressOf("Reading", 4, whole / 64, false));
  }
}

TEST(CompareFlash, AsksForWholeChunksButComparesOnlyTheImage) {
  for (const Firmware firmware : AllFirmware) {
    FlashHost host(TargetOf(firmware));
    const Bytes image = Pattern(200, 0x30);
    host.target.LoadFlash(0x0100, image);
    host.target.LoadFlash(0x0100 + 200, {0x00, 0x01});  // past the image: not compared
    int address = -1;
    int pair = 0;
    EXPECT_EQ(host.Device().CompareFlash(0x0100, 128, image.data(), 200, address, pair), 0);
    EXPECT_EQ(address, -1);
    EXPECT_EQ(host.Sent(), (Commands{Frame(QRV_CMD_READ, 0x0100, 0x80), Frame(QRV_CMD_READ, 0x0180, 0x80)}));
    EXPECT_EQ(host.op.Progress(), ProgressOf("Comparing", 1, 2, true));
    EXPECT_TRUE(host.op.Messages().empty());
  }
}

TEST(CompareFlash, AByteThatNeverComesIsATransferFailureNotADifference) {
  for (const Firmware firmware : AllFirmware) {
    FlashHost host(TargetOf(firmware));
    const Bytes image = Pattern(128, 0x30);
    host.target.LoadFlash(0x0000, image);
    host.target.SetFaults(MissingReplyByte(host.Queued(), 10));
    int address = -1;
    int pair = 0;
    EXPECT_EQ(host.Device().CompareFlash(0x0000, 128, image.data(), 128, address, pair), -1);
    EXPECT_EQ(address, -1);
    EXPECT_EQ(pair, 0);
    EXPECT_TRUE(host.op.Messages().empty());
  }
}

TEST(ReadFlash, DirectFrameThatCannotBeWrittenIsTold) {
  FlashHost host(TargetOf(Firmware::V11D));
  sim::Faults faults;
  faults.wrongEcho = true;
  host.target.SetFaults(faults);
  Bytes read(128);
  int address = -1;
  int pair = 0;
  EXPECT_EQ(host.Device().ReadFlash(read.data(), 0x0000, 128, 128), 0);
  EXPECT_EQ(host.Device().CompareFlash(0x0000, 128, read.data(), 128, address, pair), -1);
  const std::string echo(msg::EchoDiffers);
  const std::string frame(msg::FailToWriteReadCommand);
  EXPECT_EQ(host.op.Messages(), (std::vector<std::string>{echo, frame, echo, frame}));
}

}  // namespace
}  // namespace quillon
