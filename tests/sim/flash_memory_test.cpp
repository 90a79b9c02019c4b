#include "sim/flash_memory.h"

#include <gtest/gtest.h>

namespace quillon::sim {
namespace {

struct Geometry {
  Chip chip;
  std::uint16_t lastOfBlock0;
};

void PrintTo(const Geometry& geometry, std::ostream* out) { *out << (geometry.chip == Chip::A16 ? "A16" : "A32"); }

class FlashMemoryTest : public ::testing::TestWithParam<Geometry> {};

TEST_P(FlashMemoryTest, ImplementsOnlyItsTwoBlocks) {
  FlashMemory flash(GetParam().chip);
  const std::vector<std::uint8_t> zeros(FlashMemory::kAddressSpace, 0x00);
  flash.Load(0, zeros);
  const std::vector<std::uint8_t> image = flash.AddressSpace();
  const std::uint16_t last = GetParam().lastOfBlock0;
  EXPECT_EQ(image[last], 0x00);
  EXPECT_EQ(image[last + 1], 0xFF);
  EXPECT_EQ(image[0xEFFF], 0xFF);
  EXPECT_EQ(image[0xF000], 0x00);
  EXPECT_EQ(image[0xFFFF], 0x00);

  flash.Program(static_cast<std::uint16_t>(last + 1), 0x00);
  EXPECT_EQ(flash.Read(static_cast<std::uint16_t>(last + 1)), 0xFF);
  flash.EraseAll();
  EXPECT_EQ(flash.AddressSpace(), std::vector<std::uint8_t>(FlashMemory::kAddressSpace, 0xFF));
}

TEST_P(FlashMemoryTest, ErasesTheSectorOfTheBlock) {
  struct Sector {
    std::uint16_t inside, first, size;
  };
  for (const Sector& sector : {Sector{0x0005, 0x0000, 128}, Sector{0x01FF, 0x0180, 128},
                               Sector{0xF07F, 0xF040, 64}, Sector{0xFFC0, 0xFFC0, 64}}) {
    FlashMemory flash(GetParam().chip);
    flash.Load(0, std::vector<std::uint8_t>(FlashMemory::kAddressSpace, 0x00));
    flash.EraseSector(sector.inside);
    const std::vector<std::uint8_t> image = flash.AddressSpace();
    if (sector.first > 0) {
      EXPECT_EQ(image[sector.first - 1u], 0x00) << sector.inside;
    }
    EXPECT_EQ(image[sector.first], 0xFF) << sector.inside;
    EXPECT_EQ(image[sector.first + sector.size - 1u], 0xFF) << sector.inside;
    if (sector.first + sector.size < FlashMemory::kAddressSpace) {
      EXPECT_EQ(image[sector.first + sector.size], 0x00) << sector.inside;
    }
  }
}

TEST_P(FlashMemoryTest, ProgrammingOnlyClearsBits) {
  FlashMemory flash(GetParam().chip);
  flash.Program(0x0010, 0xF0);
  flash.Program(0x0010, 0x3C);
  EXPECT_EQ(flash.Read(0x0010), 0x30);
  flash.Load(0xFFFF, std::vector<std::uint8_t>{0x12, 0x34});
  EXPECT_EQ(flash.Read(0xFFFF), 0x12);
  EXPECT_EQ(flash.Read(0x0000), 0xFF) << "a load does not wrap around";
}

INSTANTIATE_TEST_SUITE_P(BothChips, FlashMemoryTest,
                         ::testing::Values(Geometry{Chip::A16, 0x3FFF}, Geometry{Chip::A32, 0x7FFF}),
                         [](const auto& test) { return test.param.chip == Chip::A16 ? "A16" : "A32"; });

}  // namespace
}  // namespace quillon::sim
