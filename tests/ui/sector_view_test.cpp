#include "ui/sector_view.h"

#include <gtest/gtest.h>

#include "operator/messages.h"
#include "protocol/target_chip.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using Bytes = std::vector<std::uint8_t>;

const BlockGeometry Block1 = GeometryOf(ChipQRV71A32, 1);

TEST(SectorTable, TellsBlankReadAndNeverReadSectorsApart) {
  Bytes image(Block1.BlockSize, 0x00);
  std::fill_n(image.begin(), 64, 0xFF);        // sector 0: blank
  std::fill_n(image.begin() + 64, 64, 0xFF);   // sector 1: one zero byte among 0xFF
  image[64 + 17] = 0x00;
  image[7 * 64] = 0x12;                        // sector 7: data
  const struct {
    int bound;
    std::vector<std::string> statuses;  // of sectors 0 to 7
  } cases[] = {
      {-1, {"Blank", "Not Blank", "Not Avail.", "Not Avail.", "Not Avail.", "Not Avail.", "Not Avail.", "Not Blank"}},
      {0, {"Blank", "Not Blank", "Not Avail.", "Not Avail.", "Not Avail.", "Not Avail.", "Not Avail.", "Not Blank"}},
      {5, {"Blank", "Not Blank", "Not Blank", "Not Blank", "Not Blank", "Not Avail.", "Not Avail.", "Not Blank"}},
  };
  for (const auto& c : cases) {
    const auto rows = SectorTableRows(image, Block1, c.bound, 0);
    std::vector<std::string> statuses;
    for (std::size_t i = 0; i < 8; ++i) {
      statuses.push_back(rows[i].Status);
    }
    EXPECT_EQ(statuses, c.statuses) << "bound " << c.bound;
  }
}

TEST(MemoryView, ShowsTheBytesInHexAndAsCharacters) {
  Bytes image(Block1.BlockSize, 0xFF);
  const Bytes row = {0x41, 0x42, 0x20, 0x6E, 0x6F, 0x7A, 0xFF, 0x00, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21};
  std::copy(row.begin(), row.end(), image.begin() + 64 + 16);
  const MemoryView view = SectorMemoryView(image, Block1, 1);
  EXPECT_EQ(view.Rows[1].Range, "F050 - F05F");
  EXPECT_EQ(view.Rows[1].Memory, "41 42 20 6E 6F 7A FF 00 - 21 21 21 21 21 21 21 21");
  EXPECT_EQ(view.Rows[1].Ascii, "AB*n****!!!!!!!!");
  EXPECT_EQ(AsciiCell(0x21), '!');
  EXPECT_EQ(AsciiCell(0x6E), 'n');
  EXPECT_EQ(AsciiCell(0x6F), '*');
}

struct DetectedHost : test::HostFixture {
  DetectedHost() : HostFixture(test::TargetOf(sim::Firmware::V11EExt)) {}
};

TEST(BlockTab, ShowsTheChosenBlockAsNeverRead) {
  DetectedHost host;
  host.window.OnTabChange(1);
  EXPECT_TRUE(host.op.SectorTable().empty()) << "no image before the first detection";
  ASSERT_TRUE(host.Detect());
  host.Chip().BlockBuffer(1)[64] = 0x55;
  host.window.OnTabChange(1);
  EXPECT_EQ(host.Chip().GetCurrentBlock(), 1);
  EXPECT_EQ(host.op.ShownBlockTab(), 1);
  const auto table = host.op.SectorTable();
  ASSERT_EQ(table.size(), 64u);
  EXPECT_EQ(table[0].Status, "Not Avail.");
  EXPECT_EQ(table[1].Status, "Not Blank");
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 000");
  host.window.OnTabChange(5);
  EXPECT_EQ(host.Chip().GetCurrentBlock(), 0);
  EXPECT_EQ(host.op.SectorTable().size(), 256u);
}

TEST(ListClick, ShowsTheSectorOfTheClickedRow) {
  DetectedHost host;
  ASSERT_TRUE(host.Detect());
  host.window.OnListClick(3);
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 003");
  EXPECT_EQ(host.op.ShownMemoryView().Rows.front().Range, "0180 - 018F");
  host.window.OnListClick(300);
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 003") << "no such sector";
  host.Chip().SetCurrentBlock(2);
  host.window.OnListClick(1);
  EXPECT_EQ(host.op.Messages().back(), msg::IllegalBlockNumber);
}

}  // namespace
}  // namespace quillon
