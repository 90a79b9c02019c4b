#include <gtest/gtest.h>

#include "operator/messages.h"
#include "settings/comm_settings.h"
#include "settings/setting_values.h"
#include "support/host_fixture.h"
#include "ui/clock_pane.h"
#include "ui/comm_config_dialog.h"
#include "ui/comm_settings_command.h"
#include "ui/pane_texts.h"

namespace quillon {
namespace {

using test::Strings;

// The program as started on a settings directory: the settings read, then the panes as
// the first tick shows them. A second one on the same directory is the program started
// again.
struct Started {
  explicit Started(const std::filesystem::path& root, std::optional<std::string_view> settingsFile = std::nullopt)
      : paths{root / "config" / "quillon", root / "cache" / "quillon"} {
    if (settingsFile) test::WriteFile(paths.configDir / "QrvBslComDft.txt", *settingsFile);
    LoadCommSettings(paths, chip.Device(), [this](std::string_view text) { window.Inform(text); });
  }
  Strings Panes() const { return {UpdatePortPane(chip.Device()), UpdateBaudPane(chip.Device())}; }
  std::string SettingsFile() const { return test::ReadText(paths.configDir / "QrvBslComDft.txt"); }
  Outcome Run(std::function<bool(CCommConfigDlg&)> answer, std::vector<SerialDevice> devices = {}) {
    window.onCommConfig = std::move(answer);
    return RunCommSettings(window, &chip, paths, std::move(devices));
  }

  AppPaths paths;
  test::ScriptedOperator window;
  LinkState link;
  CTargetChip chip{window, link};
};

// OK stores the choice, Cancel keeps the old one, and the title is put back either way. A
// file that cannot be written is told of once, with why, before the values it loses.
TEST(CommSettings, OkStoresTheChoiceCancelKeepsItAndAFileNotWrittenIsTold) {
  const std::string unsaved(msg::UnableToSaveConfiguration), select(msg::SelectChipTypeOrDetect);
  // occupied: a directory in that file's place; baud 5 is past the list and stands for 38400
  // clang-format off
  const struct { const char* occupied; int baud; bool ok; std::string rate; Strings messages; } cases[] = {
      {"", 3, true, "4800", {select}},
      {"", 3, false, "9600", {}},
      {"registry.ini", 2, true, "9600", {unsaved, unsaved, select}},
      {"QrvBslComDft.txt", 2, true, "9600", {select}},
      {"", 1, true, "19200", {select}},
      {"", 4, true, "2400", {select}},
      {"", 5, true, "38400", {select}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    const bool occupied = *c.occupied != '\0';
    test::TempDir dir;
    Started program(dir.Path(), occupied ? std::nullopt : std::optional<std::string_view>("COM3 BAUD9600 $$"));
    if (occupied) std::filesystem::create_directories(program.paths.configDir / c.occupied / "x");
    program.window.SetTitle("QRVBrevix IAP");
    program.window.ClearRecords();
    program.Run([&](CCommConfigDlg& dialog) {
      EXPECT_EQ(program.window.Title(), CommSettingsTitle);
      return dialog.SelectPort(1), dialog.SelectBaud(c.baud), c.ok;
    });
    const std::string port = c.ok ? "2" : "3";
    EXPECT_EQ(program.Panes(), (Strings{"COM" + port, "Baud Rate: " + c.rate}));
    EXPECT_EQ(program.chip.Device().DevicePath(), c.ok ? "/dev/ttyS1" : "/dev/ttyS2");
    Strings messages = c.messages;
    if (occupied)
      messages.insert(messages.begin(),
                      "Cannot write " + (program.paths.configDir / c.occupied).string() + ": Is a directory");
    EXPECT_EQ(program.window.Messages(), messages);
    EXPECT_EQ(program.window.Titles(), (Strings{std::string(CommSettingsTitle), "QRVBrevix IAP"}));
    if (occupied) continue;
    EXPECT_EQ(program.SettingsFile(), "COM" + port + " BAUD" + c.rate + " $$");
    EXPECT_EQ(SettingValues(program.paths).Read("COMMPORT"), c.ok ? std::optional(port) : std::nullopt);
    EXPECT_EQ(SettingValues(program.paths).Read("BAUDRATE"), c.ok ? std::optional(c.rate) : std::nullopt);
  }
}

// The fixture's reset line is kept too, its length held to what a port will pulse. A port
// outside the list, which has no slot to bind, is stored as port 0.
TEST(CommConfigDialog, BindsADevicePerSlotAndKeepsTheResetLineOverARestart) {
  test::TempDir dir;
  const std::string adapter = "/dev/serial/by-id/usb-FTDI_X-if00-port0";
  {
    Started first(dir.Path());
    first.Run(
        [&](CCommConfigDlg& dialog) {
          dialog.SelectPort(2);
          EXPECT_EQ(dialog.DeviceEntries(),
                    (Strings{"/dev/ttyS2 (default)", adapter + " -> /dev/ttyUSB0  FTDI FT232R USB UART (0403:6001)",
                             "/dev/ttyS0"}));
          EXPECT_EQ(dialog.DeviceSelection(), 0);
          dialog.BindDevicePath("/dev/pts/7");
          EXPECT_EQ(dialog.DeviceSelection(), CCommConfigDlg::NoSelection);
          dialog.SelectDevice(9);
          EXPECT_EQ(dialog.BoundDevicePath(), "/dev/pts/7");
          dialog.SelectPort(0);  // each slot keeps its own binding while another is shown
          EXPECT_EQ(dialog.BoundDevicePath(), "");
          dialog.SelectPort(2);
          dialog.BindDevicePath("/dev/ttyUSB0");
          EXPECT_EQ(dialog.DeviceSelection(), 1);
          dialog.SelectBaud(2);
          dialog.SelectDevice(1);
          EXPECT_EQ(dialog.ResetSelection(), 0);
          dialog.SelectReset(2);
          dialog.SetResetMilliseconds(99999);
          return true;
        },
        {{"/dev/ttyUSB0", adapter, "FTDI FT232R USB UART (0403:6001)"}, {"/dev/ttyS0", "", ""}});
    EXPECT_EQ(first.chip.Device().DevicePath(), adapter);
  }
  Started again(dir.Path());
  EXPECT_EQ(again.Panes(), (Strings{"COM3", "Baud Rate: 9600"}));
  EXPECT_EQ(again.chip.Device().DevicePath(), adapter);
  EXPECT_EQ(again.chip.Device().GetResetPulse(), (ResetPulse{ResetPulse::Line::Rts, MaxResetPulse}));
  // The adapter is unplugged now: the binding stays, shown without an entry.
  again.Run([&](CCommConfigDlg& dialog) {
    EXPECT_EQ(dialog.BoundDevicePath(), adapter);
    EXPECT_EQ(dialog.DeviceSelection(), CCommConfigDlg::NoSelection);
    EXPECT_EQ(dialog.ResetMilliseconds(), MaxResetPulse.count());
    return dialog.SelectPort(0), dialog.SelectReset(0), true;
  });
  EXPECT_EQ(again.chip.Device().GetResetPulse().line, ResetPulse::Line::None);
  EXPECT_EQ(SettingValues(again.paths).Read("RESETLINE"), "none");
  EXPECT_EQ(again.chip.Device().DevicePath(), "/dev/ttyS0");
  EXPECT_EQ(SettingValues(again.paths).Read("DEVICE3"), adapter);
  again.chip.Device().SetPortNumber(7);
  again.Run([](CCommConfigDlg& dialog) {
    EXPECT_EQ(dialog.PortSelection(), CCommConfigDlg::NoSelection);
    EXPECT_FALSE(dialog.CanBindDevice());
    return true;
  });
  EXPECT_EQ(again.SettingsFile(), "COM0 BAUD9600 $$");
}

// The view shows a row's bytes in hex and, where printable, as characters.
TEST(SectorView, FollowsTheTabAndTheClickedRow) {
  test::HostFixture host(test::TargetOf(sim::Firmware::V11EExt));
  host.window.OnTabChange(1);
  EXPECT_TRUE(host.op.SectorTable().empty()) << "no image before the first detection";
  ASSERT_TRUE(host.Detect());
  const test::Bytes row = {0x41, 0x42, 0x20, 0x6E, 0x6F, 0x7A, 0xFF, 0x00,
                           0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21};
  std::copy(row.begin(), row.end(), host.Chip().BlockBuffer(1).begin() + 64 + 16);
  host.window.OnTabChange(1);
  EXPECT_EQ(host.op.ShownBlockTab(), 1);
  const auto table = host.op.SectorTable();
  ASSERT_EQ(table.size(), 64u);
  EXPECT_EQ(table[0].Status + table[1].Status, "Not Avail.Not Blank");
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 000");
  host.window.OnListClick(1);
  const MemoryViewRow shown = host.op.ShownMemoryView().Rows.at(1);
  EXPECT_EQ(shown.Range + "|" + shown.Memory + "|" + shown.Ascii,
            "F050 - F05F|41 42 20 6E 6F 7A FF 00 - 21 21 21 21 21 21 21 21|AB*n****!!!!!!!!");
  host.window.OnTabChange(5);
  EXPECT_EQ(host.op.SectorTable().size(), 256u);
  host.window.OnListClick(3);
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 003");
  EXPECT_EQ(host.op.ShownMemoryView().Rows.front().Range, "0180 - 018F");
  host.window.OnListClick(300);
  EXPECT_EQ(host.op.ShownMemoryView().Heading, "SECTOR 003") << "no such sector";
}

TEST(ClockPane, TwelveHourClockWithNoonAndMidnightAsTwelve) {
  for (const auto& [hour, text] :
       {std::pair{0, "12:15:09AM"}, {9, "09:15:09AM"}, {12, "12:15:09PM"}, {23, "11:15:09PM"}}) {
    std::tm time{};
    std::tie(time.tm_hour, time.tm_min, time.tm_sec) = std::tuple(hour, 15, 9);
    EXPECT_EQ(ClockPaneText(time), text);
  }
}

}  // namespace
}  // namespace quillon
