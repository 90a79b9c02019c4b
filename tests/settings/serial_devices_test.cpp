#include "settings/serial_devices.h"

#include <gtest/gtest.h>

#include "settings_fixture.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// A /dev and a /sys as the kernel and udev lay them out, small enough to read.
class DeviceTree {
 public:
  DeviceTree() : roots_{dir_.Path() / "dev", dir_.Path() / "sys"} {
    fs::create_directories(roots_.dev / "serial" / "by-id");
    fs::create_directories(roots_.sys / "class" / "tty");
  }

  const SerialDeviceRoots& Roots() const { return roots_; }
  std::string Dev(std::string_view name) const { return (roots_.dev / name).string(); }

  void Node(std::string_view name) const { test::WriteFile(roots_.dev / name, ""); }

  // A tty whose sysfs device sits at `devicePath` under /sys/devices.
  void SysTty(std::string_view name, std::string_view devicePath) const {
    const fs::path device = roots_.sys / "devices" / devicePath;
    const fs::path tty = roots_.sys / "class" / "tty" / name;
    fs::create_directories(device);
    fs::create_directories(tty);
    fs::create_symlink(fs::relative(device, tty), tty / "device");
  }

  void Attribute(std::string_view path, std::string_view text) const {
    test::WriteFile(roots_.sys / path, std::string(text) + "\n");
  }

  void ById(std::string_view link, std::string_view target) const {
    fs::create_symlink(fs::path("../..") / target, roots_.dev / "serial" / "by-id" / link);
  }

 private:
  test::TempDir dir_;
  SerialDeviceRoots roots_;
};

constexpr std::string_view FtdiUsb = "pci0000:00/0000:00:14.0/usb1/1-2";
constexpr std::string_view FtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

void AddFtdiAdapter(const DeviceTree& tree) {
  tree.Node("ttyUSB0");
  tree.SysTty("ttyUSB0", std::string(FtdiUsb) + "/1-2:1.0/ttyUSB0");
  tree.Attribute("devices/" + std::string(FtdiUsb) + "/idVendor", "0403");
  tree.Attribute("devices/" + std::string(FtdiUsb) + "/idProduct", "6001");
  tree.Attribute("devices/" + std::string(FtdiUsb) + "/manufacturer", "FTDI");
  tree.Attribute("devices/" + std::string(FtdiUsb) + "/product", "FT232R USB UART");
  tree.ById(FtdiById, "ttyUSB0");
}

TEST(SerialDevices, FindsAdaptersWithTheirStableNamesAndRealUartsOnly) {
  DeviceTree tree;
  AddFtdiAdapter(tree);
  // A CH340 tells no maker; a CDC device with its product starting with the maker's name.
  tree.Node("ttyUSB1");
  tree.SysTty("ttyUSB1", "pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/ttyUSB1");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-3/idVendor", "1a86");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-3/idProduct", "7523");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-3/product", "USB Serial");
  tree.Node("ttyACM0");
  tree.SysTty("ttyACM0", "pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/tty/ttyACM0");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-4/idVendor", "2e8a");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-4/idProduct", "000a");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-4/manufacturer", "Raspberry Pi");
  tree.Attribute("devices/pci0000:00/0000:00:14.0/usb1/1-4/product", "Raspberry Pi Pico");
  // ttyS0 has a UART, ttyS1 is a place the driver keeps without one, ttyS2 has no sysfs entry.
  for (std::string_view name : {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "tty0", "ttyS", "ttySx", "null"}) {
    tree.Node(name);
  }
  tree.SysTty("ttyS0", "pnp0/00:05/tty/ttyS0");
  tree.Attribute("class/tty/ttyS0/type", "4");
  tree.SysTty("ttyS1", "platform/serial8250/tty/ttyS1");
  tree.Attribute("class/tty/ttyS1/type", "0");
  tree.SysTty("ttyS10", "pnp0/00:06/tty/ttyS10");
  tree.Attribute("class/tty/ttyS10/type", "4");
  // A vendor driver's node, known only through its by-id link; and a link to a vanished node.
  tree.Node("ttyCH343USB0");
  tree.ById("usb-1a86_USB_Single_Serial_5434-if00", "ttyCH343USB0");
  tree.ById("usb-gone-if00-port0", "ttyUSB7");

  const std::vector<SerialDevice> expected = {
      {tree.Dev("ttyUSB0"), tree.Dev("serial/by-id/" + std::string(FtdiById)), "FTDI FT232R USB UART (0403:6001)"},
      {tree.Dev("ttyUSB1"), "", "USB Serial (1a86:7523)"},
      {tree.Dev("ttyACM0"), "", "Raspberry Pi Pico (2e8a:000a)"},
      {tree.Dev("ttyCH343USB0"), tree.Dev("serial/by-id/usb-1a86_USB_Single_Serial_5434-if00"), ""},
      {tree.Dev("ttyS0"), "", ""},
      {tree.Dev("ttyS10"), "", ""},
  };
  EXPECT_EQ(DiscoverSerialDevices(tree.Roots()), expected);
}

TEST(SerialDevices, BindsToTheStableNameAndLabelsWithEverythingKnown) {
  DeviceTree tree;
  AddFtdiAdapter(tree);
  const std::vector<SerialDevice> devices = DiscoverSerialDevices(tree.Roots());
  ASSERT_EQ(devices.size(), 1u);
  const std::string byId = tree.Dev("serial/by-id/" + std::string(FtdiById));
  EXPECT_EQ(devices[0].BindingPath(), byId);
  EXPECT_EQ(DeviceLabel(devices[0]), byId + " -> " + tree.Dev("ttyUSB0") + "  FTDI FT232R USB UART (0403:6001)");

  const SerialDevice plain{"/dev/ttyS0", "", ""};
  EXPECT_EQ(plain.BindingPath(), "/dev/ttyS0");
  EXPECT_EQ(DeviceLabel(plain), "/dev/ttyS0");
}

TEST(SerialDevices, ASystemWithoutDevicesHasNone) {
  test::TempDir dir;
  EXPECT_TRUE(DiscoverSerialDevices({dir.Path() / "dev", dir.Path() / "sys"}).empty());
}

}  // namespace
}  // namespace quillon
