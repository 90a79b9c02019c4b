#include "ui/comm_settings_command.h"

#include <gtest/gtest.h>
#include <termios.h>

#include "operator/messages.h"
#include "settings/comm_settings.h"
#include "settings/setting_values.h"
#include "settings_fixture.h"
#include "support/pty_peer.h"
#include "ui/comm_config_dialog.h"
#include "ui/pane_texts.h"

namespace quillon {
namespace {

struct Selection {
  int port = -2;
  int baud = -2;
};

// The program as started: the settings read, then the panes as the first tick shows them
// and the dialog's preselection.
struct Started : test::TempDir, test::Host {
  explicit Started(std::optional<std::string_view> settingsFile = std::nullopt) : test::Host(Path()) {
    if (settingsFile) {
      test::WriteFile(paths.configDir / "QrvBslComDft.txt", *settingsFile);
    }
    LoadCommSettings(paths, chip.Device());
  }

  std::vector<std::string> Panes() const { return {UpdatePortPane(chip.Device()), UpdateBaudPane(chip.Device())}; }

  Selection Preselected() {
    Selection shown;
    window.onCommConfig = [&shown](CCommConfigDlg& dialog) {
      shown = {dialog.PortSelection(), dialog.BaudSelection()};
      return false;
    };
    RunCommSettings(window, &chip, paths, {});
    window.ClearRecords();
    return shown;
  }
};

TEST(CommSettings, StartsFromTheSettingsFileOrTheDefaults) {
  const struct {
    std::optional<std::string_view> file;
    std::vector<std::string> panes;
    int portSelection;
    int baudSelection;
  } cases[] = {
      {std::nullopt, {"COM1", "Baud Rate: 38400"}, 0, 0},
      {"COM3 BAUD9600 $$", {"COM3", "Baud Rate: 9600"}, 2, 2},
      {"COM2 BAUD19200 $$", {"COM2", "Baud Rate: 19200"}, 1, 1},
      {"COM4 BAUD2400 $$", {"COM4", "Baud Rate: 2400"}, 3, 4},
      {"COM0 BAUD4800 $$", {"COM0", "Baud Rate: 4800"}, -1, 3},
      {"COM3 BAUD9", {"COM1", "Baud Rate: 38400"}, 0, 0},            // 10 bytes
      {"COM3 BAUD9600 $$ABCD", {"COM1", "Baud Rate: 38400"}, 0, 0},  // 20 bytes
      {"COM2 baud4800 $$", {"COM1", "Baud Rate: 38400"}, 0, 0},
      {"COM9 BAUD115200 $$", {"COM9", "Baud Rate: 115200"}, -1, 0},
      {"COM1 BAUD4294967295", {"COM1", "Baud Rate: -1"}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.value_or("no file"));
    Started program(c.file);
    EXPECT_EQ(program.Panes(), c.panes);
    const Selection shown = program.Preselected();
    EXPECT_EQ(shown.port, c.portSelection);
    EXPECT_EQ(shown.baud, c.baudSelection);
  }
}

TEST(CommSettings, OkStoresTheChoiceAndAsksForADetection) {
  Started program;
  program.window.SetTitle("QRVBrevix IAP");
  program.window.ClearRecords();
  program.window.onCommConfig = [&](CCommConfigDlg& dialog) {
    EXPECT_EQ(program.window.Title(), CommSettingsTitle);
    dialog.SelectPort(1);
    dialog.SelectBaud(3);
    return true;
  };
  RunCommSettings(program.window, &program.chip, program.paths, {});

  EXPECT_EQ(test::ReadText(program.paths.configDir / "QrvBslComDft.txt"), "COM2 BAUD4800 $$");
  EXPECT_EQ(SettingValues(program.paths).Read("COMMPORT"), "2");
  EXPECT_EQ(SettingValues(program.paths).Read("BAUDRATE"), "4800");
  EXPECT_EQ(program.window.Messages(), std::vector<std::string>{std::string(msg::SelectChipTypeOrDetect)});
  EXPECT_EQ(program.window.Titles(), (std::vector<std::string>{std::string(CommSettingsTitle), "QRVBrevix IAP"}));
  EXPECT_EQ(program.Panes(), (std::vector<std::string>{"COM2", "Baud Rate: 4800"}));
  EXPECT_EQ(program.chip.Device().DevicePath(), "/dev/ttyS1");
  EXPECT_EQ(std::filesystem::status(program.paths.configDir).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
}

TEST(CommSettings, CancelLeavesEverythingAsItWasAndRestoresTheTitle) {
  Started program("COM3 BAUD9600 $$");
  test::WriteFile(program.paths.configDir / "registry.ini", "COMMPORT=3\nBAUDRATE=9600\n");
  program.window.SetTitle("QRVBrevix IAP");
  program.window.ClearRecords();
  program.window.onCommConfig = [](CCommConfigDlg& dialog) {
    dialog.SelectPort(0);
    dialog.SelectBaud(4);
    dialog.BindDevicePath("/dev/ttyUSB0");
    return false;
  };
  RunCommSettings(program.window, &program.chip, program.paths, {});

  EXPECT_EQ(test::ReadText(program.paths.configDir / "QrvBslComDft.txt"), "COM3 BAUD9600 $$");
  EXPECT_EQ(test::ReadText(program.paths.configDir / "registry.ini"), "COMMPORT=3\nBAUDRATE=9600\n");
  EXPECT_EQ(program.Panes(), (std::vector<std::string>{"COM3", "Baud Rate: 9600"}));
  EXPECT_EQ(program.chip.Device().DevicePath(), "/dev/ttyS2");
  EXPECT_TRUE(program.window.Messages().empty());
  EXPECT_EQ(program.window.Titles(), (std::vector<std::string>{std::string(CommSettingsTitle), "QRVBrevix IAP"}));
}

TEST(CommSettings, AStoreThatCannotBeWrittenIsToldTwiceBeforeTheClosingMessage) {
  Started program;
  std::filesystem::create_directories(program.paths.configDir / "registry.ini");
  program.window.onCommConfig = [](CCommConfigDlg& dialog) {
    dialog.SelectPort(1);
    dialog.SelectBaud(3);
    return true;
  };
  RunCommSettings(program.window, &program.chip, program.paths, {});
  const std::string unable(msg::UnableToSaveConfiguration);
  EXPECT_EQ(program.window.Messages(),
            (std::vector<std::string>{unable, unable, std::string(msg::SelectChipTypeOrDetect)}));
  EXPECT_EQ(test::ReadText(program.paths.configDir / "QrvBslComDft.txt"), "COM2 BAUD4800 $$");
  EXPECT_EQ(program.Panes(), (std::vector<std::string>{"COM2", "Baud Rate: 4800"}));
}

TEST(CommSettings, TheOpenPortKeepsItsLineUntilItIsOpenedAgain) {
  Started program;
  test::PtyPeer peer;
  program.chip.Device().SetDevicePath(peer.Path());
  ASSERT_EQ(program.chip.Device().OpenPort(), PortOk);
  program.window.onCommConfig = [&](CCommConfigDlg& dialog) {
    dialog.SelectBaud(3);
    dialog.BindDevicePath(peer.Path());
    return true;
  };
  RunCommSettings(program.window, &program.chip, program.paths, {});
  const termios kept = peer.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&kept), B38400);
  EXPECT_EQ(program.chip.Device().GetBaudRate(), 4800u);

  ASSERT_EQ(program.chip.Device().OpenPort(), PortOk);
  const termios reopened = peer.SlaveSettings();
  EXPECT_EQ(cfgetospeed(&reopened), B4800);
  program.chip.Device().ClosePort();
}

}  // namespace
}  // namespace quillon
