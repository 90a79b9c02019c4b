#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "settings/atomic_file.h"
#include "settings/comm_settings_file.h"
#include "settings/serial_devices.h"
#include "settings/setting_values.h"
#include "support/host_fixture.h"

// Each fsync of this program, with the file behind the descriptor and its size then.
static std::vector<std::pair<std::string, long>> synced;

// Stands in front of the C library's fsync to see what was made durable before a rename.
extern "C" int fsync(int fd) {
  struct stat status {};
  ::fstat(fd, &status);
  std::error_code unreadable;
  synced.emplace_back(std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), unreadable), status.st_size);
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
  return next(fd);
}

namespace quillon {
namespace {

namespace fs = std::filesystem;
TEST(AtomicFile, SyncsFileAndDirectoryReplacesALinkAndMakesPrivateDirectoriesOrSaysWhyNot) {
  test::TempDir dir;
  const auto file = dir / "registry.ini";
  test::WriteFile(dir / "victim", "precious");
  fs::create_symlink(dir / "victim", file);
  synced.clear();
  ASSERT_FALSE(WriteFileAtomically(file, "COMMPORT=2\n"));
  ASSERT_EQ(synced.size(), 2u);
  EXPECT_TRUE(synced[0].first.starts_with((dir / ".registry.ini.").string())) << synced[0].first;
  EXPECT_EQ(synced[0].second, 11);
  EXPECT_EQ(synced[1].first, dir.Path().string());
  EXPECT_EQ(test::ReadText(dir / "victim"), "precious");
  EXPECT_EQ(test::ReadText(file), "COMMPORT=2\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2) << "nothing left beside";

  // Failures that leave an old file whole, and tell why, are the data-safety test's.
  EXPECT_EQ(WriteFileAtomically(dir / "missing" / "registry.ini", "COMMPORT=1\n"),
            std::errc::no_such_file_or_directory);
  ASSERT_FALSE(EnsurePrivateDirectory(dir / "config" / "quillon"));
  EXPECT_EQ(fs::status(dir / "config" / "quillon").permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_FALSE(EnsurePrivateDirectory(dir / "config" / "quillon"));
  test::WriteFile(dir / "file", "");
  EXPECT_EQ(EnsurePrivateDirectory(dir / "file"), std::errc::not_a_directory);
  EXPECT_EQ(EnsurePrivateDirectory(dir / "file" / "quillon"), std::errc::not_a_directory);
}

TEST(CommSettingsFile, ParsesOnlyWhatTheLengthAndLettersAllow) {
  // clang-format off
  const std::pair<std::string_view, std::optional<CommSettings>> cases[] = {
      {"COM3 BAUD9600 $$", CommSettings{3, 9600}},
      {"COM1 BAUD2", std::nullopt},                          // 10 bytes
      {"COM1 BAUD24", CommSettings{1, 24}},                  // 11 bytes, the shortest accepted
      {"COM1 BAUD1234567890", CommSettings{1, 1234567890}},  // 19 bytes, the longest accepted
      {"COM1 BAUD12345678901", std::nullopt},                // 20 bytes
      {"COM12BAUD4800 $$", CommSettings{12, 4800}},          // byte 4 is not looked at
      {"COMx BAUDy $$ ...", CommSettings{0, 0}},             // no digits read as 0
      {"COM1 BAUD9999999999", CommSettings{1, 1410065407}},  // wraps at 32 bits
      {"com3 BAUD9600 $$", std::nullopt}, {"COM3 baud9600 $$", std::nullopt}, {"COM3  BAUD9600 $$", std::nullopt},
  };
  // clang-format on
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(ParseCommSettings(bytes), expected) << bytes;
}

TEST(SettingValues, StoresReadsAndRefusesWhatWouldNotReadBackTheSame) {
  test::TempDir dir;
  const auto file = dir / "quillon" / "registry.ini";
  SettingValues values(file);
  const std::string digits = "0123456789012345678901234567890123456789";  // 31 are kept, 32 and more cut to 30
  // What is stored, then what is refused as it would not read back the same.
  constexpr std::errc stored{}, refused = std::errc::invalid_argument;
  // clang-format off
  const std::tuple<const char*, std::string, std::errc> writes[] = {
      {"COMMPORT", "2", stored}, {"BAUDRATE", "4800", stored}, {"COMMPORT", "3", stored}, {"VALUE", digits.substr(0, 32), stored}, {"SHORT", digits.substr(0, 31), stored},
      {"DEVICE1", "/dev/tty\nUSB0", refused}, {"DEVICE1", " /dev/ttyUSB0", refused}, {"A=B", "1", refused}, {"", "1", refused}, {" X", "1", refused}, {"X\nY", "1", refused},
  };
  // clang-format on
  for (const auto& [name, text, error] : writes) EXPECT_EQ(values.WriteSettingValue(name, text), error) << name;
  EXPECT_EQ(test::ReadText(file),
            "BAUDRATE=4800\nCOMMPORT=3\nSHORT=" + digits.substr(0, 31) + "\nVALUE=" + digits.substr(0, 30) + "\n");

  test::WriteFile(file, "# written by hand\r\n DEVICE2 = /dev/ttyUSB0 \r\nBAUDRATE=9600\nnonsense\nDEVICE3=\n");
  const SettingValues edited(file);
  EXPECT_EQ(
      (std::vector{edited.Read("DEVICE2"), edited.Read("BAUDRATE"), edited.Read("DEVICE3"), edited.Read("nonsense")}),
      (std::vector<std::optional<std::string>>{"/dev/ttyUSB0", "9600", "", std::nullopt}));
}

// A /dev and a /sys as the kernel and udev lay them out, small enough to read.
struct DeviceTree {
  test::TempDir dir;
  SerialDeviceRoots roots{dir / "dev", dir / "sys"};

  std::string Dev(std::string_view name) const { return (roots.dev / name).string(); }
  void Node(std::string_view name) const { test::WriteFile(roots.dev / name, ""); }
  // A tty whose sysfs device sits at `devicePath` under /sys/devices, with its type.
  void SysTty(std::string_view name, std::string_view devicePath, std::string_view type = {}) const {
    const fs::path device = roots.sys / "devices" / devicePath, tty = roots.sys / "class" / "tty" / name;
    fs::create_directories(device);
    fs::create_directories(tty);
    fs::create_symlink(fs::relative(device, tty), tty / "device");
    if (!type.empty()) test::WriteFile(tty / "type", std::string(type) + "\n");
  }
  // A USB adapter's tty on a port of usb1, its device telling the attributes given.
  void UsbTty(std::string_view name, std::string_view port, std::string_view below,
              std::initializer_list<std::pair<const char*, std::string_view>> attributes) const {
    const std::string usb = "pci0000:00/0000:00:14.0/usb1/" + std::string(port);
    Node(name);
    SysTty(name, usb + "/" + std::string(port) + ":1.0/" + std::string(below) + std::string(name));
    for (const auto& [attribute, text] : attributes) {
      test::WriteFile(roots.sys / "devices" / usb / attribute, std::string(text) + "\n");
    }
  }
  void ById(std::string_view link, std::string_view target) const {
    fs::create_directories(roots.dev / "serial" / "by-id");
    fs::create_symlink(fs::path("../..") / target, roots.dev / "serial" / "by-id" / link);
  }
};

TEST(SerialDevices, FindsAdaptersWithTheirStableNamesAndRealUartsOnly) {
  DeviceTree tree;
  const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
  // A CH340 tells no maker; a CDC device with its product starting with the maker's name.
  // clang-format off
  tree.UsbTty("ttyUSB0", "1-2", "", {{"idVendor", "0403"}, {"idProduct", "6001"}, {"manufacturer", "FTDI"}, {"product", "FT232R USB UART"}, {"serial", "A50285BI"}});
  tree.UsbTty("ttyUSB1", "1-3", "", {{"idVendor", "1a86"}, {"idProduct", "7523"}, {"product", "USB Serial"}});
  tree.UsbTty("ttyACM0", "1-4", "tty/", {{"idVendor", "2e8a"}, {"idProduct", "000a"}, {"manufacturer", "Raspberry Pi"}, {"product", "Raspberry Pi Pico"}});
  // clang-format on
  tree.ById(ftdi, "ttyUSB0");
  // ttyS0 has a UART, ttyS1 is a place the driver keeps without one, ttyS2 has no sysfs entry.
  for (std::string_view name : {"ttyS0", "ttyS1", "ttyS2", "ttyS10", "tty0", "ttyS", "ttySx", "null"}) tree.Node(name);
  tree.SysTty("ttyS0", "pnp0/00:05/tty/ttyS0", "4");
  tree.SysTty("ttyS1", "platform/serial8250/tty/ttyS1", "0");
  tree.SysTty("ttyS10", "pnp0/00:06/tty/ttyS10", "4");
  // A vendor driver's node, known only through its by-id link; and a link to a vanished node.
  tree.Node("ttyCH343USB0");
  tree.ById("usb-1a86_USB_Single_Serial_5434-if00", "ttyCH343USB0");
  tree.ById("usb-gone-if00-port0", "ttyUSB7");

  const std::vector<SerialDevice> expected = {
      {tree.Dev("ttyUSB0"), tree.Dev("serial/by-id/" + ftdi), "FTDI FT232R USB UART (0403:6001)"},
      {tree.Dev("ttyUSB1"), "", "USB Serial (1a86:7523)"},
      {tree.Dev("ttyACM0"), "", "Raspberry Pi Pico (2e8a:000a)"},
      {tree.Dev("ttyCH343USB0"), tree.Dev("serial/by-id/usb-1a86_USB_Single_Serial_5434-if00"), ""},
      {tree.Dev("ttyS0"), "", ""},
      {tree.Dev("ttyS10"), "", ""},
  };
  EXPECT_EQ(DiscoverSerialDevices(tree.roots), expected);
  for (const auto& [path, description] :
       {std::pair{tree.Dev("serial/by-id/" + ftdi), expected[0].description + ", serial A50285BI"},
        {tree.Dev("ttyUSB1"), expected[1].description},
        {tree.Dev("ttyS0"), ""},
        {std::string("tcp://127.0.0.1:2000"), ""}})
    EXPECT_EQ(AdapterDescription(path, tree.roots), description) << path;
}

}  // namespace
}  // namespace quillon
