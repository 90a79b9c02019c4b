#include <gtest/gtest.h>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using namespace test;

const std::string Reset(msg::ResetIfAutoDetectFails);

TEST(Detection, AutoDetectionDecodesTheStatusByteChipIdAndFirmware) {
  // extra: a message after the reset advice
  // clang-format off
  const struct { std::uint8_t status, id, major, letter; std::string shown; std::string_view extra; } cases[] = {
      {0x03, 0xE4, 0x11, 0x45, "SECURITY : CHIP IS UNLOCKED|4 KByte|QRV71A16|16+4 KB|v1.1E", {}},
      {0x00, 0xE2, 0x11, 0x45, "SECURITY : CHIP IS UNLOCKED|Disabled|QRV71A32|32+4 KB|v1.1E", {}},
      {0x21, 0xE2, 0x11, 0x45, "SECURITY : BLOCK 0 IS SOFTLOCKED & BLOCK 1 IS HARDLOCKED|1 KByte|QRV71A32|32+4 KB|v1.1E", {}},
      {0x42, 0xE2, 0x11, 0x45, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED|2 KByte|QRV71A32|32+4 KB|v1.1E", {}},
      {0x60, 0xE2, 0x11, 0x45, "SECURITY : UNKNOWN|Disabled|QRV71A32|32+4 KB|v1.1E", msg::UnknownChipLock},
      {0x80, 0xE2, 0x11, 0x45, "SECURITY : CHIP IS LEVEL 2 HARDLOCKED|Disabled|QRV71A32|32+4 KB|v1.1E", {}},
      {0xA0, 0xE2, 0x11, 0x45, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED|Disabled|QRV71A32|32+4 KB|v1.1E", {}},
      {0xC0, 0xE2, 0x11, 0x45, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED|Disabled|QRV71A32|32+4 KB|v1.1E", {}},
      {0xE0, 0xE2, 0x11, 0x45, "SECURITY : CHIP IS LEVEL 4 HARDLOCKED|Disabled|QRV71A32|32+4 KB|v1.1E", msg::StopAndExit},
      {0x00, 0xE2, 0x11, 0x44, "SECURITY : CHIP IS UNLOCKED|Disabled|QRV71A32|32+4 KB|v1.1?", msg::WrongFirmware},
      {0x00, 0xE2, 0x12, 0x45, "SECURITY : CHIP IS UNLOCKED|Disabled|QRV71A32|32+4 KB|?????", msg::WrongFirmware},
      {0x00, 0xE7, 0x11, 0x45, "SECURITY : CHIP IS UNLOCKED|Disabled|????????|???????|v1.1E", msg::WrongFirmware},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    sim::Config config = TargetOf(sim::Firmware::V11EInt, c.id == 0xE4 ? sim::Chip::A16 : sim::Chip::A32);
    config.status = c.status;
    config.chipId = c.id;
    config.firmwareMajor = c.major;
    config.firmwareLetter = c.letter;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect());
    const bool identified = c.extra != msg::WrongFirmware;
    const ChipInfo i = host.op.ShownChipInfo();
    EXPECT_EQ(i.Security + "|" + i.ReMap + "|" + i.ChipType + "|" + i.FlashSize + "|" + i.FwVersion, c.shown);
    EXPECT_EQ(i.IapStatus, identified ? msg::HandshakingSucceed : "");
    EXPECT_EQ(host.op.Messages(), (c.extra.empty() ? Strings{Reset} : Strings{Reset, std::string(c.extra)}));
    EXPECT_EQ(host.op.CommandState(IdDownload), identified && c.status < 0x60 ? 1 : 0);
    EXPECT_EQ(host.window.Link().Remap4KB, c.status == 0x03);
    EXPECT_EQ(host.Chip().BlockBuffer(0).size(), (c.id == 0xE4 ? 16384u : 32768u) + 16);
    EXPECT_EQ(host.Sent(), (Commands{{QRV_CMD_READ_STATUS, QRV_STATUS_OPERAND}, {QRV_CMD_READ_ID}}));
  }
}

// The states of chip erase, read, download, remap, lock, sector erase and download-and-run.
TEST(Detection, SelectionsEnableWhatTheSecurityStateAllows) {
  // clang-format off
  const struct { sim::Firmware firmware; std::uint8_t status; bool internalMemory; std::string enabled; } cases[] = {
      {sim::Firmware::V11EExt, 0x00, false, "1111110"}, {sim::Firmware::V11EExt, 0x20, false, "1000000"},
      {sim::Firmware::V11D, 0x00, false, "1111010"},    {sim::Firmware::V11D, 0x40, true, "0110010"},
      {sim::Firmware::V11D, 0x00, true, "0110110"},     {sim::Firmware::V11D, 0x80, true, "0000000"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.status));
    sim::Config config = TargetOf(c.firmware);
    config.status = c.status;
    HostFixture host(config);
    host.op.onChipType = [&](CChipTypeDlg& dialog) {
      dialog.Click(c.internalMemory ? CChipTypeDlg::IdInternalMemory : CChipTypeDlg::IdExternalMemory);
      return true;
    };
    c.firmware == sim::Firmware::V11D ? host.window.OnChipTypeSelect() : host.window.OnExternalSelect();
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.MemMode + shown.FwVersion, (c.internalMemory ? "Internal" : "External") +
                                                   std::string(c.firmware == sim::Firmware::V11D ? "v1.1D" : "v1.1E"));
    std::string enabled;
    for (const int command :
         {IdChipErase, IdRead, IdDownload, IdMemoryRemap, IdSetLock, IdSectorErase, IdDownloadAndRun})
      enabled += host.op.CommandState(command) == 1 ? '1' : '0';
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_EQ(host.Sent(), Commands{{QRV_CMD_READ_STATUS}});
    EXPECT_EQ(BytesOf(host.target.WireLog(), sim::Direction::FromTarget), (Bytes{QRV_CMD_READ_STATUS, c.status}));
  }
}

TEST(Detection, SelectionsStopOnACancelledOrIncompleteChipTypeDialog) {
  // clang-format off
  const struct { bool connectedBefore, ok; Strings messages; } cases[] = {
      {false, false, {std::string(msg::NoTargetBoard)}},
      {true, false, {}},
      {false, true, {std::string(msg::ChipInfoNotCompleted)}},
  };
  // clang-format on
  for (const auto& firmware : {sim::Firmware::V11EExt, sim::Firmware::V11D}) {
    for (const auto& c : cases) {
      HostFixture host(TargetOf(firmware));
      ASSERT_EQ(c.connectedBefore && host.Detect(), c.connectedBefore);
      host.op.ClearRecords();
      host.target.ClearWireLog();
      host.op.onChipType = [&](CChipTypeDlg& dialog) {
        dialog.SetMemoryType(MemoryNone);
        return c.ok;
      };
      firmware == sim::Firmware::V11D ? host.window.OnChipTypeSelect() : host.window.OnExternalSelect();
      EXPECT_EQ(host.op.Messages(), c.messages);
      EXPECT_TRUE(host.Sent().empty());
      EXPECT_EQ(host.window.Link().LinkMode.load(), firmware == sim::Firmware::V11D ? DirectLink : DirectLinkExt);
    }
  }
}

// After its echo the boot loader may repeat the command byte up to 32 times before the
// status; a target that repeats it for ever, or falls silent, has not answered.
TEST(Detection, DirectHandshakeSkipsUpTo32RepeatedCommandBytes) {
  for (const auto& [repeats, status] : {std::pair{2u, true}, {32u, true}, {33u, true}, {80u, false}, {0u, false}}) {
    SCOPED_TRACE(repeats);
    Bytes answer(1 + repeats, QRV_CMD_READ_STATUS);
    if (status) answer.push_back(0x40);
    PtyPeer peer([&](std::uint8_t byte) { return byte == QRV_CMD_READ_STATUS ? answer : Bytes{}; });
    HostFixture host;
    host.Device().SetDevicePath(peer.Path());
    host.op.onChipType = [](CChipTypeDlg&) { return true; };
    const auto start = Clock::now();
    host.window.OnChipTypeSelect();
    EXPECT_LT(Clock::now() - start, 1s);
    const bool answered = status && repeats <= 32;
    EXPECT_EQ(host.op.Messages(), answered ? Strings{} : Strings{std::string(msg::NoResponse)});
    EXPECT_EQ(host.window.Info().Security, answered ? "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED" : "SECURITY: UNKNOWN");
    EXPECT_EQ(host.Device().IsConnected(), answered);
  }
}

// A silent target is the fault matrix's; one that sends nothing but ready bytes has not
// answered either.
TEST(Detection, QueuedHandshakeGivesUpOnEndlessReadyBytes) {
  sim::Config config;
  config.status = QRV_READY;
  HostFixture host(config);
  const auto start = Clock::now();
  host.window.OnAutoDetect();
  const auto took = Clock::now() - start;
  EXPECT_EQ(host.op.Messages(), (Strings{Reset, std::string(msg::NoResponse)}));
  EXPECT_GE(took, host.window.GetTiming().handshake - 50ms);
  EXPECT_LT(took, host.window.GetTiming().handshake + 500ms);
}

TEST(Detection, APortThatWillNotOpenIsToldByItsName) {
  HostFixture unopened;
  unopened.Device().SetDevicePath((unopened.dir / "no-such-port").string());
  unopened.window.OnAutoDetect();
  EXPECT_EQ(unopened.op.Messages(), (Strings{Reset, std::string(msg::Rs232SetupFailed)}));
  EXPECT_NE(unopened.op.Traces().at(0).find("no-such-port"), std::string::npos);
}

}  // namespace
}  // namespace quillon
