#include <gtest/gtest.h>

#include "protocol/target_chip.h"
#include "support/scripted_operator.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/save_dialog.h"

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

}  // namespace
}  // namespace quillon
