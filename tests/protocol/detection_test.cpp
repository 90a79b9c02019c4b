#include <gtest/gtest.h>

#include <algorithm>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using namespace test;
using Messages = std::vector<std::string>;

const std::string Reset(msg::ResetIfAutoDetectFails);

TEST(Detection, AutoDetectionDecodesTheStatusByte) {
  const struct {
    std::uint8_t status;
    const char* security;
    const char* remap;
    Messages messages;
    bool enabled;
  } cases[] = {
      {0x03, "SECURITY : CHIP IS UNLOCKED", "4 KByte", {Reset}, true},
      {0x00, "SECURITY : CHIP IS UNLOCKED", "Disabled", {Reset}, true},
      {0x21, "SECURITY : BLOCK 0 IS SOFTLOCKED & BLOCK 1 IS HARDLOCKED", "1 KByte", {Reset}, true},
      {0x42, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED", "2 KByte", {Reset}, true},
      {0x60, "SECURITY : UNKNOWN", "Disabled", {Reset, std::string(msg::UnknownChipLock)}, false},
      {0x80, "SECURITY : CHIP IS LEVEL 2 HARDLOCKED", "Disabled", {Reset}, false},
      {0xA0, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED", "Disabled", {Reset}, false},
      {0xC0, "SECURITY : CHIP IS LEVEL 3 HARDLOCKED", "Disabled", {Reset}, false},
      {0xE0, "SECURITY : CHIP IS LEVEL 4 HARDLOCKED", "Disabled", {Reset, std::string(msg::StopAndExit)}, false},
  };
  for (const auto& c : cases) {
    sim::Config config;
    config.status = c.status;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect()) << int(c.status);
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.Security, c.security) << int(c.status);
    EXPECT_EQ(shown.ReMap, c.remap) << int(c.status);
    EXPECT_EQ(shown.MemMode, "Internal");
    EXPECT_EQ(shown.IapStatus, msg::HandshakingSucceed);
    EXPECT_EQ(host.op.Messages(), c.messages) << int(c.status);
    for (const int command : {IdRead, IdDownload, IdSectorErase, IdDownloadAndRun}) {
      EXPECT_EQ(host.op.CommandState(command), c.enabled ? 1 : 0) << int(c.status) << " " << command;
    }
    EXPECT_EQ(host.window.Link().Remap4KB, c.status == 0x03);
    EXPECT_EQ(host.Chip().GetSecurityState(), c.status & 0xE0);
    EXPECT_EQ(WithoutIdle(host.SentToTarget()), (std::vector<std::uint8_t>{0x05, 0x55, 0x60}));
  }
}

TEST(Detection, AutoDetectionIdentifiesChipAndFirmware) {
  const struct {
    sim::Chip chip;
    std::optional<std::uint8_t> id;
    std::uint8_t major, letter;
    const char *chipType, *flashSize, *firmware;
    std::size_t block0Buffer;
    bool faulty;
  } cases[] = {
      {sim::Chip::A16, std::nullopt, 0x11, 0x45, "QRV71A16", "16+4 KB", "v1.1E", 16384 + 16, false},
      {sim::Chip::A32, 0xE2, 0x11, 0x44, "QRV71A32", "32+4 KB", "v1.1?", 32768 + 16, true},
      {sim::Chip::A32, 0xE2, 0x12, 0x45, "QRV71A32", "32+4 KB", "?????", 32768 + 16, true},
      {sim::Chip::A32, 0xE7, 0x11, 0x45, "????????", "???????", "v1.1E", 32768 + 16, true},
  };
  for (const auto& c : cases) {
    sim::Config config;
    config.chip = c.chip;
    config.chipId = c.id;
    config.firmwareMajor = c.major;
    config.firmwareLetter = c.letter;
    HostFixture host(config);
    ASSERT_TRUE(host.Detect()) << c.chipType;
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.ChipType, c.chipType);
    EXPECT_EQ(shown.FlashSize, c.flashSize);
    EXPECT_EQ(shown.FwVersion, c.firmware);
    EXPECT_EQ(host.Chip().BlockBuffer(0).size(), c.block0Buffer);
    EXPECT_EQ(host.Chip().BlockBuffer(1).size(), 4096u + 16);
    Messages expected = {Reset};
    if (c.faulty) {
      expected.emplace_back(msg::WrongFirmware);
    }
    EXPECT_EQ(host.op.Messages(), expected);
    EXPECT_EQ(shown.IapStatus, c.faulty ? "" : msg::HandshakingSucceed);
    EXPECT_EQ(host.op.CommandState(IdDownload), c.faulty ? 0 : 1);
  }
}

TEST(Detection, SelectionsEnableWhatTheSecurityStateAllows) {
  const struct {
    sim::Firmware firmware;
    std::uint8_t status;
    bool internalMemory;
    const char* memMode;
    const char* firmwareText;
    std::vector<std::pair<int, int>> commands;
  } cases[] = {
      {sim::Firmware::V11EExt, 0x00, false, "External", "v1.1E",
       {{IdChipErase, 1}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 1}, {IdSetLock, 1}, {IdSectorErase, 1},
        {IdDownloadAndRun, 0}}},
      {sim::Firmware::V11EExt, 0x20, false, "External", "v1.1E",
       {{IdChipErase, 1}, {IdRead, 0}, {IdDownload, 0}, {IdMemoryRemap, 0}, {IdSetLock, 0}, {IdSectorErase, 0}}},
      {sim::Firmware::V11D, 0x00, false, "External", "v1.1D",
       {{IdChipErase, 1}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 1}, {IdSetLock, 0}, {IdSectorErase, 1}}},
      {sim::Firmware::V11D, 0x40, true, "Internal", "v1.1D",
       {{IdChipErase, 0}, {IdRead, 1}, {IdDownload, 1}, {IdMemoryRemap, 0}, {IdSetLock, 0}, {IdSectorErase, 1}}},
      {sim::Firmware::V11D, 0x00, true, "Internal", "v1.1D",
       {{IdChipErase, 0}, {IdRead, 1}, {IdMemoryRemap, 0}, {IdSetLock, 1}}},
      {sim::Firmware::V11D, 0x80, true, "Internal", "v1.1D",
       {{IdRead, 0}, {IdDownload, 0}, {IdSetLock, 0}, {IdSectorErase, 0}}},
  };
  for (const auto& c : cases) {
    sim::Config config;
    config.firmware = c.firmware;
    config.status = c.status;
    HostFixture host(config);
    host.op.onChipType = [&](CChipTypeDlg& dialog) {
      dialog.Click(c.internalMemory ? CChipTypeDlg::IdInternalMemory : CChipTypeDlg::IdExternalMemory);
      return true;
    };
    if (c.firmware == sim::Firmware::V11D) {
      host.window.OnChipTypeSelect();
    } else {
      host.window.OnExternalSelect();
    }
    ASSERT_TRUE(host.Device().IsConnected());
    const ChipInfo shown = host.op.ShownChipInfo();
    EXPECT_EQ(shown.MemMode, c.memMode);
    EXPECT_EQ(shown.FwVersion, c.firmwareText);
    EXPECT_EQ(shown.ChipType, "QRV71A32");
    EXPECT_EQ(shown.IapStatus, msg::HandshakingSucceed);
    for (const auto& [command, state] : c.commands) {
      EXPECT_EQ(host.op.CommandState(command), state) << int(c.status) << " " << command;
    }
    EXPECT_EQ(host.SentToTarget(), std::vector<std::uint8_t>{QRV_CMD_READ_STATUS});
    EXPECT_EQ(host.SentByTarget(), (std::vector<std::uint8_t>{QRV_CMD_READ_STATUS, c.status}));
  }
}

TEST(Detection, SelectionsStopOnACancelledOrIncompleteChipTypeDialog) {
  const struct {
    bool connectedBefore;
    bool ok;
    bool incomplete;
    Messages messages;
  } cases[] = {
      {false, false, false, {std::string(msg::NoTargetBoard)}},
      {true, false, false, {}},
      {false, true, true, {std::string(msg::ChipInfoNotCompleted)}},
  };
  for (const auto& firmware : {sim::Firmware::V11EExt, sim::Firmware::V11D}) {
    for (const auto& c : cases) {
      sim::Config config;
      config.firmware = firmware;
      HostFixture host(config);
      if (c.connectedBefore) {
        ASSERT_TRUE(host.Detect());
        host.op.ClearRecords();
      }
      host.target.ClearWireLog();
      host.op.onChipType = [&](CChipTypeDlg& dialog) {
        if (c.incomplete) {
          dialog.SetMemoryType(MemoryNone);
        }
        return c.ok;
      };
      if (firmware == sim::Firmware::V11D) {
        host.window.OnChipTypeSelect();
      } else {
        host.window.OnExternalSelect();
      }
      EXPECT_EQ(host.op.Messages(), c.messages);
      EXPECT_TRUE(host.SentToTarget().empty());
      EXPECT_EQ(host.window.Link().LinkMode.load(), firmware == sim::Firmware::V11D ? DirectLink : DirectLinkExt);
    }
  }
}

TEST(Detection, DirectHandshakeSkipsRepeatedCommandBytesButNotForever) {
  const struct {
    std::vector<std::uint8_t> answer;
    Messages messages;
    const char* security;
  } cases[] = {
      {{0x05, 0x05, 0x05, 0x40}, {}, "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED"},
      {std::vector<std::uint8_t>(80, 0x05), {std::string(msg::NoResponse)}, "SECURITY: UNKNOWN"},
      {{0x05}, {std::string(msg::NoResponse)}, "SECURITY: UNKNOWN"},
  };
  for (const auto& c : cases) {
    PtyPeer peer([&](std::uint8_t byte) { return byte == QRV_CMD_READ_STATUS ? c.answer : std::vector<std::uint8_t>{}; });
    HostFixture host;
    host.Device().SetDevicePath(peer.Path());
    host.op.onChipType = [](CChipTypeDlg&) { return true; };
    const auto start = Clock::now();
    host.window.OnChipTypeSelect();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(host.op.Messages(), c.messages);
    EXPECT_EQ(host.window.Info().Security, c.security);
    EXPECT_EQ(host.Device().IsConnected(), c.messages.empty());
  }
}

TEST(Detection, QueuedHandshakeGivesUpOnASilentTargetOrEndlessReadyBytes) {
  {
    PtyPeer silent;
    HostFixture host;
    host.Device().SetDevicePath(silent.Path());
    const auto start = Clock::now();
    host.window.OnAutoDetect();
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages(), (Messages{Reset, std::string(msg::NoResponse)}));
    EXPECT_GE(took, host.window.GetTiming().readySilence - 50ms);
    EXPECT_LT(took, host.window.GetTiming().readySilence + 400ms);
  }
  {
    sim::Config config;
    config.status = QRV_READY;
    HostFixture host(config);
    const auto start = Clock::now();
    EXPECT_FALSE(host.Detect());
    const auto took = Clock::now() - start;
    EXPECT_EQ(host.op.Messages(), (Messages{Reset, std::string(msg::NoResponse)}));
    EXPECT_GE(took, host.window.GetTiming().handshake);
    EXPECT_LT(took, host.window.GetTiming().handshake + 500ms);
  }
}

TEST(Detection, ASecondAutoDetectionWhileConnectedSendsNothing) {
  HostFixture host;
  ASSERT_TRUE(host.Detect());
  host.op.ClearRecords();
  host.target.ClearWireLog();
  host.window.OnAutoDetect();
  EXPECT_EQ(host.op.Messages(), Messages{std::string(msg::ChipTypeDetectedEarlier)});
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(WithoutIdle(host.SentToTarget()).empty());
}

TEST(Detection, AutoDetectionReportsAPortThatCannotBeOpened) {
  HostFixture host;
  host.Device().SetDevicePath((host.dir / "no-such-port").string());
  host.window.OnAutoDetect();
  EXPECT_EQ(host.op.Messages(), (Messages{Reset, std::string(msg::Rs232SetupFailed)}));
  EXPECT_NE(host.op.Traces().at(0).find("no-such-port"), std::string::npos);
}

}  // namespace
}  // namespace quillon
