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

  // A USB adapter's tty on a port of usb1, its device telling the attributes given ("" for none).
  void UsbTty(std::string_view name, std::string_view port, std::string_view below, std::string_view vendor,
              std::string_view product, std::string_view manufacturer, std::string_view productName) const {
    const std::string usb = "pci0000:00/0000:00:14.0/usb1/" + std::string(port);
    Node(name);
    SysTty(name, usb + "/" + std::string(port) + ":1.0/" + std::string(below) + std::string(name));
    for (const auto& [attribute, text] : {std::pair{"idVendor", vendor}, {"idProduct", product},
                                          {"manufacturer", manufacturer}, {"product", productName}}) {
      if (!text.empty()) Attribute("devices/" + usb + "/" + attribute, text);
    }
  }

  void ById(std::string_view link, std::string_view target) const {
    fs::create_symlink(fs::path("../..") / target, roots_.dev / "serial" / "by-id" / link);
  }

 private:
  test::TempDir dir_;
  SerialDeviceRoots roots_;
};

constexpr std::string_view FtdiById = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";

TEST(SerialDevices, FindsAdaptersWithTheirStableNamesAndRealUartsOnly) {
  DeviceTree tree;
  tree.UsbTty("ttyUSB0", "1-2", "", "0403", "6001", "FTDI", "FT232R USB UART");
  tree.ById(FtdiById, "ttyUSB0");
  // A CH340 tells no maker; a CDC device with its product starting with the maker's name.
  tree.UsbTty("ttyUSB1", "1-3", "", "1a86", "7523", "", "USB Serial");
  tree.UsbTty("ttyACM0", "1-4", "tty/", "2e8a", "000a", "Raspberry Pi", "Raspberry Pi Pico");
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

}  // namespace
}  // namespace quillon
