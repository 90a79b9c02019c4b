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

TEST(Detection, AutoDetectionDecodesTheStatusByte) {
  const struct {
    std::uint8_t status;
    const char* security;
    const char* remap;
    std::string_view extra;  // a message after the reset advice
  } cases[] = {
      {0x03, "SECURITY : CHIP IS UNLOCKED", "4 KByte", {}},
      {0x00, "SECURITY : CHIP IS UNLOCKED", "Disabled", {}},
      {0x21, "SECURITY : BLOCK 0 IS SOFTLOCKED & BLOCK 1 IS HARDLOCKED", "1 KByte", {}},
      {0x42, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED", "2 KByte", {}},
      {0x60, "SECURITY : UNKNOWN", "Disabled", msg::UnknownChipLock},
      {0x80, "SECURITY : CHIP IS LEVEL 2 HARDLOCKED", "Disabled", {}},
      {0xA0, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED", "Disabled", {}},
      {0xC0, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED", "Disabled", {}},
      {0xE0, "SECURITY : CHIP IS LEVEL 4 HARDLOCKED", "Disabled", msg::StopAndExit},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.status));
    sim::Config config;
    config.status = c.status;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect());
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.Security, c.security);
    EXPECT_EQ(shown.ReMap, c.remap);
    EXPECT_EQ(shown.MemMode, "Internal");
    EXPECT_EQ(shown.IapStatus, msg::HandshakingSucceed);
    EXPECT_EQ(host.op.Messages(), (c.extra.empty() ? Strings{Reset} : Strings{Reset, std::string(c.extra)}));
    for (const int command : {IdRead, IdDownload, IdSectorErase, IdDownloadAndRun}) {
      EXPECT_EQ(host.op.CommandState(command), c.status < 0x60 ? 1 : 0) << command;
    }
    EXPECT_EQ(host.window.Link().Remap4KB, c.status == 0x03);
    EXPECT_EQ(WithoutIdle(host.SentToTarget()), (Bytes{0x05, 0x55, 0x60}));
  }
}

TEST(Detection, AutoDetectionIdentifiesChipAndFirmware) {
  const struct {
    sim::Chip chip;
    std::optional<std::uint8_t> id;
    std::uint8_t major, letter;
    const char *chipType, *flashSize, *firmware;
    std::size_t block0Buffer;
  } cases[] = {
      {sim::Chip::A16, std::nullopt, 0x11, 0x45, "QRV71A16", "16+4 KB", "v1.1E", 16384 + 16},
      {sim::Chip::A32, 0xE2, 0x11, 0x44, "QRV71A32", "32+4 KB", "v1.1?", 32768 + 16},
      {sim::Chip::A32, 0xE2, 0x12, 0x45, "QRV71A32", "32+4 KB", "?????", 32768 + 16},
      {sim::Chip::A32, 0xE7, 0x11, 0x45, "????????", "???????", "v1.1E", 32768 + 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chipType);
    sim::Config config;
    config.chip = c.chip;
    config.chipId = c.id;
    config.firmwareMajor = c.major;
    config.firmwareLetter = c.letter;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect());
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.ChipType, c.chipType);
    EXPECT_EQ(shown.FlashSize, c.flashSize);
    EXPECT_EQ(shown.FwVersion, c.firmware);
    EXPECT_EQ(host.Chip().BlockBuffer(0).size(), c.block0Buffer);
    EXPECT_EQ(host.Chip().BlockBuffer(1).size(), 4096u + 16);
    const bool faulty = c.block0Buffer != 16384 + 16;
    EXPECT_EQ(host.op.Messages(), (faulty ? Strings{Reset, std::string(msg::WrongFirmware)} : Strings{Reset}));
    EXPECT_EQ(shown.IapStatus, faulty ? "" : msg::HandshakingSucceed);
    EXPECT_EQ(host.op.CommandState(IdDownload), faulty ? 0 : 1);
  }
}

TEST(Detection, SelectionsEnableWhatTheSecurityStateAllows) {
  const struct {
    sim::Firmware firmware;
    std::uint8_t status;
    bool internalMemory;
    std::vector<std::pair<int, int>> commands;
  } cases[] = {
      {sim::Firmware::V11EExt, 0x00, false,
       {{IdChipErase, 1}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 1}, {IdSetLock, 1}, {IdSectorErase, 1},
        {IdDownloadAndRun, 0}}},
      {sim::Firmware::V11EExt, 0x20, false,
       {{IdChipErase, 1}, {IdRead, 0}, {IdDownload, 0}, {IdMemoryRemap, 0}, {IdSetLock, 0}, {IdSectorErase, 0}}},
      {sim::Firmware::V11D, 0x00, false,
       {{IdChipErase, 1}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 1}, {IdSetLock, 0}, {IdSectorErase, 1}}},
      {sim::Firmware::V11D, 0x40, true,
       {{IdChipErase, 0}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 0}, {IdSetLock, 0}, {IdSectorErase, 1}}},
      {sim::Firmware::V11D, 0x00, true, {{IdChipErase, 0}, {IdRead, 1}, {IdMemoryRemap, 0}, {IdSetLock, 1}}},
      {sim::Firmware::V11D, 0x80, true, {{IdRead, 0}, {IdDownload, 0}, {IdSetLock, 0}, {IdSectorErase, 0}}},
  };
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
    ASSERT_TRUE(host.Device().IsConnected());
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.MemMode, c.internalMemory ? "Internal" : "External");
    EXPECT_EQ(shown.FwVersion, c.firmware == sim::Firmware::V11D ? "v1.1D" : "v1.1E");
    EXPECT_EQ(shown.ChipType, "QRV71A32");
    EXPECT_EQ(shown.IapStatus, msg::HandshakingSucceed);
    for (const auto& [command, state] : c.commands) {
      EXPECT_EQ(host.op.CommandState(command), state) << command;
    }
    EXPECT_EQ(host.SentToTarget(), Bytes{QRV_CMD_READ_STATUS});
    EXPECT_EQ(host.SentByTarget(), (Bytes{QRV_CMD_READ_STATUS, c.status}));
  }
}

TEST(Detection, SelectionsStopOnACancelledOrIncompleteChipTypeDialog) {
  const struct {
    bool connectedBefore;
    bool ok;
    Strings messages;
  } cases[] = {
      {false, false, {std::string(msg::NoTargetBoard)}},
      {true, false, {}},
      {false, true, {std::string(msg::ChipInfoNotCompleted)}},
  };
  for (const auto& firmware : {sim::Firmware::V11EExt, sim::Firmware::V11D}) {
    for (const auto& c : cases) {
      HostFixture host(TargetOf(firmware));
      if (c.connectedBefore) {
        ASSERT_TRUE(host.Detect());
        host.op.ClearRecords();
      }
      host.target.ClearWireLog();
      host.op.onChipType = [&](CChipTypeDlg& dialog) {
        if (c.ok) dialog.SetMemoryType(MemoryNone);
        return c.ok;
      };
      firmware == sim::Firmware::V11D ? host.window.OnChipTypeSelect() : host.window.OnExternalSelect();
      EXPECT_EQ(host.op.Messages(), c.messages);
      EXPECT_TRUE(host.SentToTarget().empty());
      EXPECT_EQ(host.window.Link().LinkMode.load(), firmware == sim::Firmware::V11D ? DirectLink : DirectLinkExt);
    }
  }
}

// After its echo the boot loader may repeat the command byte up to 32 times before the
// status; a target that repeats it for ever, or falls silent, has not answered.
TEST(Detection, DirectHandshakeSkipsUpTo32RepeatedCommandBytes) {
  const struct {
    std::size_t repeats;
    bool status;  // the status byte follows the repeats
    const char* security;
  } cases[] = {
      {2, true, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED"},
      {32, true, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED"},
      {33, true, "SECURITY: UNKNOWN"},
      {80, false, "SECURITY: UNKNOWN"},
      {0, false, "SECURITY: UNKNOWN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repeats);
    Bytes answer(1 + c.repeats, QRV_CMD_READ_STATUS);
    if (c.status) answer.push_back(0x40);
    PtyPeer peer([&](std::uint8_t byte) { return byte == QRV_CMD_READ_STATUS ? answer : Bytes{}; });
    HostFixture host;
    host.Device().SetDevicePath(peer.Path());
    host.op.onChipType = [](CChipTypeDlg&) { return true; };
    const auto start = Clock::now();
    host.window.OnChipTypeSelect();
    EXPECT_LT(Clock::now() - start, 1s);
    const bool answered = c.status && c.repeats <= 32;
    EXPECT_EQ(host.op.Messages(), answered ? Strings{} : Strings{std::string(msg::NoResponse)});
    EXPECT_EQ(host.window.Info().Security, c.security);
    EXPECT_EQ(host.Device().IsConnected(), answered);
  }
}

TEST(Detection, QueuedHandshakeGivesUpOnASilentTargetOrEndlessReadyBytes) {
  for (const bool silent : {true, false}) {
    PtyPeer silentPeer;
    sim::Config config;
    config.status = QRV_READY;
    HostFixture host(config);
    if (silent) host.Device().SetDevicePath(silentPeer.Path());
    const auto start = Clock::now();
    host.window.OnAutoDetect();
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages(), (Strings{Reset, std::string(msg::NoResponse)}));
    const auto limit = silent ? host.window.GetTiming().readySilence : host.window.GetTiming().handshake;
    EXPECT_GE(took, limit - 50ms);
    EXPECT_LT(took, limit + 500ms);
    EXPECT_FALSE(host.Device().IsConnected());
  }
}

TEST(Detection, ASecondDetectionSendsNothingAndAPortThatWillNotOpenIsTold) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  host.op.ClearRecords();
  host.target.ClearWireLog();
  host.window.OnAutoDetect();
  EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::ChipTypeDetectedEarlier)});
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(WithoutIdle(host.SentToTarget()).empty());

  HostFixture unopened;
  unopened.Device().SetDevicePath((unopened.dir / "no-such-port").string());
  unopened.window.OnAutoDetect();
  EXPECT_EQ(unopened.op.Messages(), (Strings{Reset, std::string(msg::Rs232SetupFailed)}));
  EXPECT_NE(unopened.op.Traces().at(0).find("no-such-port"), std::string::npos);
}

}  // namespace
}  // namespace quillon
