#include "protocol/range_dialog.h"

#include <gtest/gtest.h>

#include "protocol/sector_range.h"
#include "protocol/target_chip.h"
#include "support/scripted_operator.h"
#include "ui/messages.h"

namespace quillon {
namespace {

struct DialogFixture {
  explicit DialogFixture(int chipType = ChipQRV71A16) {
    chip.SetChipType(chipType);
    chip.ApplyChipType();
  }
  test::ScriptedOperator op;
  LinkState link;
  CTargetChip chip{op, link};
  CRangeDlg dialog{chip, link, op};
};

TEST(RangeDialog, ListsBlock0AndReachableBlock1Sectors) {
  const struct {
    int memoryType;
    bool readAllBlocks;
    std::size_t entries;
  } cases[] = {
      {MemoryInternal, false, 128},
      {MemoryInternal, true, 128 + 64},
      {MemoryExternal, false, 128 + 64},
  };
  for (const auto& c : cases) {
    DialogFixture f;
    f.chip.SetMemoryType(c.memoryType);
    f.link.ReadAllBlocks = c.readAllBlocks;
    f.op.onRange = [](CRangeDlg&) { return true; };
    ASSERT_TRUE(f.dialog.DoModal(f.op));
    const auto& entries = f.dialog.StartEntries();
    ASSERT_EQ(entries.size(), c.entries);
    EXPECT_EQ(entries[0], "Sector 000    Addr=0000");
    EXPECT_EQ(entries[127], "Sector 127    Addr=3F80");
    if (c.entries > 128) {
      EXPECT_EQ(entries[128], "Sector 000    Addr=F000");
      EXPECT_EQ(entries[191], "Sector 063    Addr=FFC0");
    }
  }
}

TEST(RangeDialog, CountsTheSectorsOfTheCurrentBlock) {
  for (const auto& [block, entries] : {std::pair{0, 128u}, {1, 64u}}) {
    DialogFixture f;
    f.chip.SetCurrentBlock(block);
    f.op.onRange = [](CRangeDlg& dialog) { return dialog.SelectStart(3) && dialog.SelectRange(5); };
    ASSERT_TRUE(f.dialog.DoModal(f.op));
    ASSERT_EQ(f.dialog.RangeEntries().size(), entries);
    EXPECT_EQ(f.dialog.RangeEntries()[0], "All Sectors");
    EXPECT_EQ(f.dialog.RangeEntries()[1], "001 sectors");
    EXPECT_EQ(f.dialog.RangeEntries().back(), block == 0 ? "127 sectors" : "063 sectors");
    EXPECT_EQ(f.dialog.GetChosenStart(), 3);
    EXPECT_EQ(f.dialog.GetChosenRange(), 5);
  }
}

TEST(RangeDialog, SelectsTheInitialEntriesAndRefusesUnlistedOnes) {
  DialogFixture f;
  f.dialog.SetInitialStart(2);
  f.dialog.SetInitialRange(4);
  f.op.onRange = [](CRangeDlg& dialog) {
    EXPECT_EQ(dialog.StartSelection(), 2);
    EXPECT_EQ(dialog.RangeSelection(), 4);
    EXPECT_FALSE(dialog.SelectStart(128)) << "block 1 is not listed in internal memory";
    EXPECT_FALSE(dialog.SelectRange(-1));
    return false;
  };
  f.chip.SetMemoryType(MemoryInternal);
  EXPECT_FALSE(f.dialog.DoModal(f.op));
  EXPECT_EQ(f.dialog.GetChosenStart(), 0) << "Cancel chooses nothing";
}

TEST(RangeDialog, IllegalCurrentBlockLeavesTheRangeListAsItWas) {
  DialogFixture f;
  f.chip.SetCurrentBlock(7);
  f.op.onRange = [](CRangeDlg& dialog) { return dialog.RangeEntries().empty(); };
  EXPECT_TRUE(f.dialog.DoModal(f.op));
  // Each data exchange says so: when the dialog opens and when OK stores its data.
  EXPECT_EQ(f.op.Messages(), (std::vector<std::string>(2, std::string(msg::IllegalBlockNumber))));
}

TEST(SectorRange, MapsListIndexesToAddressesAndCutsAtTheBlocksEnd) {
  const struct {
    int chipType;
    int start;
    int range;
    SectorRange expected;
  } cases[] = {
      {ChipQRV71A16, 0, 0, {0, 0x0000, 0, 128}},
      {ChipQRV71A32, 0, 0, {0, 0x0000, 0, 256}},
      {ChipQRV71A16, 120, 10, {0, 0x3C00, 120, 8}},
      {ChipQRV71A16, 128, 0, {1, 0xF000, 0, 64}},
      {ChipQRV71A32, 256 + 60, 10, {1, 0xFF00, 60, 4}},
      {ChipQRV71A32, 256 + 5, 0, {1, 0xF140, 5, 59}},
      {ChipQRV71A32, 255, 1, {0, 0x7F80, 255, 1}},
  };
  for (const auto& c : cases) {
    DialogFixture f(c.chipType);
    const SectorRange range = ResolveSectorRange(f.chip, c.start, c.range);
    EXPECT_EQ(range.block, c.expected.block);
    EXPECT_EQ(range.address, c.expected.address);
    EXPECT_EQ(range.firstSector, c.expected.firstSector);
    EXPECT_EQ(range.count, c.expected.count);
  }
}

}  // namespace
}  // namespace quillon
