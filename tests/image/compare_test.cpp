#include <gtest/gtest.h>

#include "image/image_texts.h"
#include "image_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using sim::Chip;
using sim::Firmware;
using namespace test;
using Strings = std::vector<std::string>;

constexpr const char* Succeed = "File name.bin Compare succeed!";

TEST(Compare, TellsTheOutcomeInTheIapStatusLine) {
  const Bytes flash = Counting(0x200, 0);
  const struct {
    const char* name;
    Firmware firmware;
    std::size_t fileLength;
    int start;
    bool differ;
    std::string status;
    Strings messages;
  } cases[] = {
      {"equal", Firmware::V11EInt, 0x200, 0, false, Succeed, {}},
      {"length not whole sectors", Firmware::V11D, 0x155, 0, false, Succeed, {}},
      {"from a later sector", Firmware::V11EExt, 0x100, 2, false, Succeed, {}},
      {"difference, queued link", Firmware::V11EInt, 0x200, 0, true,
       "Unmatched data at memory address 0100h: 12h(MCU) vs. 34h in File name.bin", {}},
      {"difference, direct link", Firmware::V11EExt, 0x200, 0, true,
       "Unmatched data at memory address 0100h: 12h(MCU) vs. 34h in File name.bin",
       {std::string(msg::FailedToVerify)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageHost host(TargetOf(c.firmware));
    host.target.LoadFlash(0, flash);
    Bytes file(flash.begin() + c.start * 128, flash.end());
    file.resize(c.fileLength, 0x00);
    if (c.differ) {
      host.target.LoadFlash(0x100, {0x12});
      file[0x100] = 0x34;
    }
    const std::string path = host.File("name.bin", file);
    host.ChooseCompare(path, c.start);
    host.window.OnCompare();

    EXPECT_EQ(host.window.Info().IapStatus, c.status);
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus, c.status);
    EXPECT_EQ(host.op.Messages(), c.messages);
    EXPECT_FALSE(host.window.Link().LinkLost.load());
    char comparing[256];
    std::snprintf(comparing, sizeof comparing, msg::ComparingFormat, path.c_str(), c.start * 128);
    EXPECT_EQ(host.op.Titles(), (Strings{comparing, ImageHost::WindowTitle}));
  }
}

TEST(Compare, WholeAddressSpaceFileIsComparedBlockByBlock) {
  ImageHost host(TargetOf(Firmware::V11EInt));
  Bytes file(0x10000, 0xFF);
  file[0x7FFF] = 0x11;
  file[0x9000] = 0x22;  // between the blocks: never compared
  file[0xFFFF] = 0x33;
  host.target.LoadFlash(0x7FFF, {0x11});
  host.target.LoadFlash(0xFFFF, {0x33});
  host.ChooseCompare(host.File("name.bin", file), 0);
  host.window.OnCompare();
  EXPECT_EQ(host.window.Info().IapStatus, Succeed);
  using Run = std::pair<std::uint8_t, int>;
  EXPECT_EQ(test::Runs(host.Sent()), (std::vector<Run>{{QRV_CMD_READ, 256 + 64}}));
  EXPECT_EQ(host.Sent()[256], test::Frame(QRV_CMD_READ, 0xF000, 64));
}

TEST(Compare, Block1EntrySelectsTheBlock1TabInEitherMemoryMode) {
  for (const int memoryType : {MemoryInternal, MemoryExternal}) {
    ImageHost host(TargetOf(Firmware::V11EInt));
    host.Chip().SetMemoryType(memoryType);
    host.ChooseCompare(host.File("name.bin", Bytes(64, 0xFF)), 256 + 1);
    host.window.OnCompare();
    EXPECT_EQ(host.Chip().GetCurrentBlock(), 1);
    EXPECT_EQ(host.op.ShownBlockTab(), 1);
    EXPECT_EQ(host.Sent(), test::Commands{test::Frame(QRV_CMD_READ, 0xF040, 64)});
    EXPECT_EQ(host.window.Info().IapStatus, Succeed);
  }
}

TEST(Compare, CancelLeavesTheStatusEmptyAndTheTitleAsItWas) {
  ImageHost host(TargetOf(Firmware::V11EInt));
  host.window.Info().IapStatus = "Handshaking succeed!";
  host.window.OnCompare();
  EXPECT_EQ(host.window.Info().IapStatus, "");
  EXPECT_EQ(host.op.Titles(), Strings{ImageHost::WindowTitle});
  EXPECT_TRUE(host.Sent().empty());
  EXPECT_TRUE(host.op.Messages().empty());
}

}  // namespace
}  // namespace quillon
