#include "ui/comm_config_dialog.h"

#include <gtest/gtest.h>

#include "operator/messages.h"
#include "settings/comm_settings.h"
#include "settings/setting_values.h"
#include "settings_fixture.h"
#include "ui/pane_texts.h"

namespace quillon {
namespace {

// The temporary directory comes first so that it outlives the host that uses it.
struct DialogCase : test::TempDir, test::Host {
  DialogCase() : test::Host(Path()) {}

  std::string SettingsFile() const { return test::ReadText(paths.configDir / "QrvBslComDft.txt"); }
  std::optional<std::string> Value(std::string_view name) const { return SettingValues(paths).Read(name); }
};

TEST(CommConfigDialog, MapsEveryBaudIndexAndAnyOtherTo38400) {
  const struct {
    int index;
    std::string_view file;
  } cases[] = {{0, "COM1 BAUD38400 $$"}, {1, "COM1 BAUD19200 $$"}, {2, "COM1 BAUD9600 $$"},  {3, "COM1 BAUD4800 $$"},
               {4, "COM1 BAUD2400 $$"},  {5, "COM1 BAUD38400 $$"}, {-1, "COM1 BAUD38400 $$"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    DialogCase f;
    CCommConfigDlg dialog(&f.chip, f.paths, {});
    dialog.DoDataExchange();
    dialog.SelectBaud(c.index);
    dialog.OnOK(f.window);
    EXPECT_EQ(f.SettingsFile(), c.file);
  }
}

TEST(CommConfigDialog, APortOutsideTheListIsStoredAsPortZero) {
  DialogCase f;
  f.chip.Device().SetPortNumber(7);
  f.window.onCommConfig = [](CCommConfigDlg& dialog) {
    EXPECT_EQ(dialog.PortSelection(), CCommConfigDlg::NoSelection);
    EXPECT_FALSE(dialog.CanBindDevice());
    EXPECT_TRUE(dialog.DeviceEntries().empty());
    return true;
  };
  CCommConfigDlg dialog(&f.chip, f.paths, {});
  ASSERT_TRUE(dialog.DoModal(f.window));
  EXPECT_EQ(f.Value("COMMPORT"), "0");
  EXPECT_EQ(f.SettingsFile(), "COM0 BAUD38400 $$");
  EXPECT_EQ(f.chip.Device().GetPortNumber(), 0);
  EXPECT_EQ(UpdatePortPane(f.chip.Device()), "COM0");
}

TEST(CommConfigDialog, ASettingsFileThatCannotBeWrittenIsNotTold) {
  DialogCase f;
  std::filesystem::create_directories(f.paths.configDir / "QrvBslComDft.txt" / "occupied");
  CCommConfigDlg dialog(&f.chip, f.paths, {});
  dialog.DoDataExchange();
  dialog.SelectBaud(2);
  dialog.OnOK(f.window);
  EXPECT_TRUE(f.window.Messages().empty());
  EXPECT_EQ(f.Value("BAUDRATE"), "9600");
  EXPECT_EQ(f.chip.Device().GetBaudRate(), 9600u);
}

TEST(CommConfigDialog, OffersTheDevicesPresentForTheSelectedSlot) {
  DialogCase f;
  const std::vector<SerialDevice> devices = {
      {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_X-if00-port0", "FTDI FT232R USB UART (0403:6001)"},
      {"/dev/ttyS0", "", ""},
  };
  CCommConfigDlg dialog(&f.chip, f.paths, devices);
  dialog.DoDataExchange();
  dialog.SelectPort(2);
  EXPECT_EQ(dialog.DeviceEntries(),
            (std::vector<std::string>{"/dev/ttyS2 (default)",
                                      "/dev/serial/by-id/usb-FTDI_X-if00-port0 -> /dev/ttyUSB0  FTDI FT232R USB "
                                      "UART (0403:6001)",
                                      "/dev/ttyS0"}));
  EXPECT_EQ(dialog.DeviceSelection(), 0);

  dialog.SelectDevice(1);
  EXPECT_EQ(dialog.BoundDevicePath(), "/dev/serial/by-id/usb-FTDI_X-if00-port0");
  EXPECT_EQ(dialog.DeviceSelection(), 1);
  dialog.BindDevicePath("/dev/ttyUSB0");
  EXPECT_EQ(dialog.DeviceSelection(), 1);
  dialog.BindDevicePath("/dev/pts/7");
  EXPECT_EQ(dialog.DeviceSelection(), CCommConfigDlg::NoSelection);
  dialog.SelectDevice(9);
  EXPECT_EQ(dialog.BoundDevicePath(), "/dev/pts/7");

  // Each slot keeps its own binding while the operator looks at another.
  dialog.SelectPort(0);
  EXPECT_EQ(dialog.BoundDevicePath(), "");
  EXPECT_EQ(dialog.DeviceEntries().front(), "/dev/ttyS0 (default)");
  dialog.SelectDevice(2);
  dialog.SelectPort(2);
  EXPECT_EQ(dialog.BoundDevicePath(), "/dev/pts/7");
}

TEST(CommConfigDialog, TheDeviceBindingSurvivesARestart) {
  test::TempDir dir;
  const std::string adapter = "/dev/serial/by-id/usb-FTDI_X-if00-port0";
  {
    test::Host first(dir.Path());
    first.window.onCommConfig = [&](CCommConfigDlg& dialog) {
      dialog.SelectPort(2);
      dialog.SelectBaud(2);
      dialog.SelectDevice(1);
      return true;
    };
    CCommConfigDlg dialog(&first.chip, first.paths, {{"/dev/ttyUSB0", adapter, ""}});
    ASSERT_TRUE(dialog.DoModal(first.window));
    EXPECT_EQ(first.chip.Device().DevicePath(), adapter);
  }
  test::Host again(dir.Path());
  LoadCommSettings(again.paths, again.chip.Device());
  EXPECT_EQ(again.chip.Device().GetPortNumber(), 3);
  EXPECT_EQ(again.chip.Device().GetBaudRate(), 9600u);
  EXPECT_EQ(again.chip.Device().DevicePath(), adapter);

  // The adapter is unplugged now: the binding stays, shown without an entry.
  CCommConfigDlg dialog(&again.chip, again.paths, {});
  dialog.DoDataExchange();
  EXPECT_EQ(dialog.BoundDevicePath(), adapter);
  EXPECT_EQ(dialog.DeviceSelection(), CCommConfigDlg::NoSelection);
  dialog.SelectPort(0);
  dialog.OnOK(again.window);
  EXPECT_EQ(again.chip.Device().DevicePath(), "/dev/ttyS0");
  EXPECT_EQ(SettingValues(again.paths).Read("DEVICE3"), adapter);
}

TEST(CommConfigDialog, ABindingThatCannotBeStoredIsTold) {
  DialogCase f;
  std::filesystem::create_directories(f.paths.configDir / "registry.ini");
  CCommConfigDlg dialog(&f.chip, f.paths, {});
  dialog.DoDataExchange();
  dialog.BindDevicePath("/dev/ttyACM0");
  dialog.OnOK(f.window);
  EXPECT_EQ(f.window.Messages(), std::vector<std::string>(3, std::string(msg::UnableToSaveConfiguration)));
  EXPECT_EQ(f.chip.Device().DevicePath(), "/dev/ttyACM0");
}

}  // namespace
}  // namespace quillon
