#include <gtest/gtest.h>

#include <cstdio>

#include "flash_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using namespace test;
using sim::Chip;
using sim::Firmware;

TEST(ReadCommand, ReadsTheChosenSectorsIntoTheBlockImageAndShowsThem) {
  const struct {
    Firmware firmware;
    Chip chip;
    int start;
    int range;
    int block;
    std::uint32_t first;
    std::uint8_t size;
    int count;
  } cases[] = {
      {Firmware::V11EInt, Chip::A16, 120, 10, 0, 0x3C00, 128, 8},   // cut at the block's end
      {Firmware::V11D, Chip::A16, 120, 10, 0, 0x3C00, 128, 8},
      {Firmware::V11EExt, Chip::A32, 256 + 60, 0, 1, 0xFF00, 64, 4},  // "All Sectors" from block 1
      {Firmware::V11EInt, Chip::A32, 256 + 2, 3, 1, 0xF080, 64, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start);
    FlashHost host(TargetOf(c.firmware, c.chip));
    Bytes flash(static_cast<std::size_t>(c.count) * c.size, 0xFF);
    flash[0] = 0x41;
    host.target.LoadFlash(c.first, flash);
    host.ChooseRange(c.start, c.range);
    host.window.OnRead();

    EXPECT_EQ(host.Sent(), test::Frames(QRV_CMD_READ, c.first, c.size, c.count, c.size));
    EXPECT_TRUE(host.op.Messages().empty());
    EXPECT_EQ(host.Chip().GetCurrentBlock(), c.block);
    EXPECT_EQ(host.op.ShownBlockTab(), c.block);
    const auto image = host.Chip().BlockBuffer(c.block);
    const auto offset = c.first - host.Chip().StartAddress(c.block);
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), image.begin() + offset));

    const auto table = host.op.SectorTable();
    ASSERT_EQ(table.size(), host.Chip().SectorCount(c.block));
    const int firstSector = static_cast<int>(offset / c.size);
    EXPECT_EQ(table[static_cast<std::size_t>(firstSector)].Status, "Not Blank");
    EXPECT_TRUE(table[static_cast<std::size_t>(firstSector)].Hot);
    EXPECT_EQ(table[static_cast<std::size_t>(firstSector) + 1].Status, "Blank");
    char heading[16];
    std::snprintf(heading, sizeof heading, "SECTOR %03d", firstSector);
    EXPECT_EQ(host.op.ShownMemoryView().Heading, heading);
    EXPECT_FALSE(host.window.Link().ReadAllBlocks);
  }
}

TEST(ReadCommand, ListsBlock1ForV11EFirmwareOrExternalMemory) {
  const struct {
    Firmware firmware;
    int memoryType;
    bool readAllBlocks;
    std::size_t listed;
  } cases[] = {
      {Firmware::V11D, MemoryInternal, false, 256},
      {Firmware::V11D, MemoryExternal, false, 256 + 64},
      {Firmware::V11EExt, MemoryExternal, true, 256 + 64},
      {Firmware::V11EInt, MemoryInternal, true, 256 + 64},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(c.firmware));
    host.Chip().SetMemoryType(c.memoryType);
    bool readAllBlocks = false;
    std::vector<std::string> entries;
    host.op.onRange = [&](CRangeDlg& dialog) {
      readAllBlocks = host.window.Link().ReadAllBlocks;
      entries = dialog.StartEntries();
      return false;
    };
    host.window.OnRead();
    EXPECT_EQ(readAllBlocks, c.readAllBlocks);
    ASSERT_EQ(entries.size(), c.listed);
    if (c.listed > 256) {
      EXPECT_EQ(entries[256], "Sector 000    Addr=F000");
      EXPECT_EQ(entries.back(), "Sector 063    Addr=FFC0");
    }
    EXPECT_TRUE(host.Sent().empty()) << "Cancel reads nothing";
    EXPECT_FALSE(host.window.Link().ReadAllBlocks);
  }
}

TEST(ReadCommand, ShortDirectReadIsToldAndLeavesTheViewsAlone) {
  FlashHost host(TargetOf(Firmware::V11EExt));
  sim::Faults faults;
  faults.dropReplyByte = 200;
  host.target.SetFaults(faults);
  host.ChooseRange(0, 4);
  host.window.OnRead();
  EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::UnmatchedReadCount)});
  EXPECT_TRUE(host.op.SectorTable().empty());
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR ???");
  EXPECT_FALSE(host.window.Link().ReadAllBlocks);
  EXPECT_TRUE(host.Device().IsConnected());
}

TEST(ReadCommand, FailedQueuedReadDropsTheLink) {
  // The reply comes within the worker's byte wait but after the read has given up.
  Timing timing = test::FastTiming();
  timing.operationByte = std::chrono::milliseconds(60);
  FlashHost host(TargetOf(Firmware::V11EInt), timing);
  sim::Faults faults;
  faults.replyDelay = std::chrono::milliseconds(120);
  host.target.SetFaults(faults);
  host.ChooseRange(0, 4);
  host.window.OnRead();
  EXPECT_TRUE(host.op.Messages().empty());
  EXPECT_TRUE(host.window.Link().LinkLost);
  EXPECT_FALSE(host.window.Link().WorkerStarted);
  EXPECT_FALSE(host.window.Link().ReadAllBlocks);
  EXPECT_EQ(host.op.SectorTable().size(), 256u) << "the queued link shows what it has";
  host.window.OnTimer();
  EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::TimeoutReset)});
  EXPECT_FALSE(host.Device().IsConnected());
}

}  // namespace
}  // namespace quillon
