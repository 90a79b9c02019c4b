#include <gtest/gtest.h>

#include "image/compare_dialog.h"
#include "image/download_dialog.h"
#include "image/save_dialog.h"
#include "protocol/target_chip.h"
#include "support/scripted_operator.h"

namespace quillon {
namespace {

struct DialogFixture {
  DialogFixture(int chipType, int memoryType) {
    chip.SetChipType(chipType);
    chip.SetMemoryType(memoryType);
    chip.ApplyChipType();
  }
  test::ScriptedOperator op;
  LinkState link;
  CTargetChip chip{op, link};
};

TEST(ImageDialogs, StartListsOfferBlock1WhereTheCommandReachesIt) {
  const struct {
    int chipType;
    int memoryType;
    bool compare;
    std::size_t entries;
  } cases[] = {
      {ChipQRV71A32, MemoryInternal, false, 256},      {ChipQRV71A32, MemoryExternal, false, 256 + 64},
      {ChipQRV71A16, MemoryInternal, true, 128 + 64},  {ChipQRV71A16, MemoryExternal, true, 128 + 64},
  };
  for (const auto& c : cases) {
    DialogFixture f(c.chipType, c.memoryType);
    CDownloadDlg download(f.chip);
    CCompareDlg compare(f.chip);
    std::vector<std::string> entries;
    f.op.onDownload = [&](CDownloadDlg& dialog) { entries = dialog.StartEntries(); return false; };
    f.op.onCompare = [&](CCompareDlg& dialog) { entries = dialog.StartEntries(); return false; };
    EXPECT_FALSE(c.compare ? compare.DoModal(f.op) : download.DoModal(f.op));
    ASSERT_EQ(entries.size(), c.entries);
    EXPECT_EQ(entries.front(), "Sector 000    Addr=0000");
    EXPECT_EQ(entries[1], "Sector 001    Addr=0080");
    const std::size_t block1 = c.chipType == ChipQRV71A32 ? 256 : 128;
    if (c.entries > block1) {
      EXPECT_EQ(entries[block1], "Sector 000    Addr=F000");
      EXPECT_EQ(entries.back(), "Sector 063    Addr=FFC0");
    }
  }
}

TEST(ImageDialogs, EveryExchangeSelectsTheFirstSectorAgain) {
  DialogFixture f(ChipQRV71A32, MemoryExternal);
  CCompareDlg dialog(f.chip);
  f.op.onCompare = [](CCompareDlg& shown) {
    EXPECT_EQ(shown.StartSelection(), 0);
    EXPECT_TRUE(shown.SelectStart(40));
    shown.Browse("/img/name.bin");
    EXPECT_EQ(shown.StartSelection(), 0) << "browsing starts the list over";
    EXPECT_FALSE(shown.SelectStart(256 + 64));
    EXPECT_TRUE(shown.SelectStart(256));
    return true;
  };
  ASSERT_TRUE(dialog.DoModal(f.op));
  EXPECT_EQ(dialog.GetChosenStart(), 256);
  EXPECT_EQ(dialog.GetFileName(), "/img/name.bin");
  EXPECT_EQ(dialog.StartSelection(), 0) << "OK's own exchange refills the list";
}

TEST(ImageDialogs, SaveListsAreFilledOnceAndTextIsTheDefault) {
  DialogFixture f(ChipQRV71A16, MemoryInternal);
  CSaveDlg dialog(f.chip);
  f.op.onSave = [](CSaveDlg& shown) {
    EXPECT_EQ(shown.StartEntries().size(), 128u + 64u) << "block 1 whatever the memory mode";
    const auto& ranges = shown.RangeEntries();
    EXPECT_EQ(ranges.size(), 128u);
    EXPECT_EQ(ranges[0], "All Sectors");
    EXPECT_EQ(ranges[1], "001 sectors");
    EXPECT_EQ(ranges[127], "127 sectors");
    EXPECT_FALSE(shown.IsChecked(CSaveDlg::IdBinaryFile) || shown.IsChecked(CSaveDlg::IdTextFile));
    EXPECT_TRUE(shown.SelectStart(130) && shown.SelectRange(5));
    shown.SetFileName("/tmp/out.txt");
    return true;
  };
  ASSERT_TRUE(dialog.DoModal(f.op));
  EXPECT_EQ(dialog.GetTextFormat(), 1);
  EXPECT_EQ(dialog.GetChosenStart(), 130);
  EXPECT_EQ(dialog.GetChosenRange(), 5);
  EXPECT_EQ(dialog.StartSelection(), 130) << "the lists keep their selections";

  dialog.Click(CSaveDlg::IdBinaryFile);
  EXPECT_EQ(dialog.GetTextFormat(), 0);
  EXPECT_TRUE(dialog.IsChecked(CSaveDlg::IdBinaryFile));
  dialog.Click(CSaveDlg::IdTextFile);
  EXPECT_EQ(dialog.GetTextFormat(), 1);
  EXPECT_FALSE(dialog.IsChecked(CSaveDlg::IdBinaryFile));
}

}  // namespace
}  // namespace quillon
