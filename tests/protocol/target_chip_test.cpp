#include "protocol/target_chip.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/scripted_operator.h"

namespace quillon {
namespace {

struct ChipFixture {
  test::ScriptedOperator op;
  LinkState link;
  CTargetChip chip{op, link};
};

TEST(TargetChip, GeometryFollowsTheModelOnceApplied) {
  const struct {
    int chipType;
    BlockGeometry block0;
  } cases[] = {
      {ChipQRV71A16, {128, 128, 16384, 128, 0x0000}},
      {ChipQRV71A32, {256, 128, 32768, 256, 0x0000}},
  };
  for (const auto& c : cases) {
    ChipFixture f;
    f.chip.SetChipType(c.chipType);
    f.chip.ApplyChipType();
    EXPECT_EQ(f.chip.SectorCount(0), c.block0.SectorCount);
    EXPECT_EQ(f.chip.SectorSize(0), c.block0.SectorSize);
    EXPECT_EQ(f.chip.BlockSize(0), c.block0.BlockSize);
    EXPECT_EQ(f.chip.ListedSectorCount(0), c.block0.ListedSectorCount);
    EXPECT_EQ(f.chip.StartAddress(0), c.block0.StartAddress);
    EXPECT_EQ(f.chip.SectorCount(1), 64u);
    EXPECT_EQ(f.chip.SectorSize(1), 64u);
    EXPECT_EQ(f.chip.BlockSize(1), 4096u);
    EXPECT_EQ(f.chip.StartAddress(1), 0xF000u);

    f.chip.ResizeBlockBuffers();
    for (int block = 0; block < 2; ++block) {
      const auto buffer = f.chip.BlockBuffer(block);
      ASSERT_EQ(buffer.size(), f.chip.BlockSize(block) + 16);
      EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + f.chip.BlockSize(block),
                              [](std::uint8_t b) { return b == 0; }));
    }
  }
}

}  // namespace
}  // namespace quillon
