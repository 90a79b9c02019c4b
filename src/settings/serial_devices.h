#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillon {

// Where to look for devices; tests point these at a tree of their own.
struct SerialDeviceRoots {
  std::filesystem::path dev = "/dev";
  std::filesystem::path sys = "/sys";
};

struct SerialDevice {
  std::string node;         // the kernel's device, e.g. /dev/ttyUSB0
  std::string byId;         // its /dev/serial/by-id link, empty when the system has none
  std::string description;  // maker, product and USB ids, empty when unknown

  // A by-id link names the same adapter whichever ttyUSB number it gets when plugged in
  // again, so a COM slot is bound to it rather than to the node when there is one.
  const std::string& BindingPath() const { return byId.empty() ? node : byId; }
  bool operator==(const SerialDevice&) const = default;
};

// The serial devices present: USB adapters (ttyUSB, ttyACM, and whatever else a by-id link
// names) and the on-board ports (ttyS) that have a UART behind them. USB adapters first.
std::vector<SerialDevice> DiscoverSerialDevices(const SerialDeviceRoots& roots = {});

// The USB adapter behind a device path, a node or a link to one: maker, product, USB ids
// and serial number; empty for a pty, a network port or an on-board UART.
std::string AdapterDescription(const std::string& path, const SerialDeviceRoots& roots = {});

// One line for a person choosing among the devices: the path a slot would be bound to, the
// node behind a by-id link, and the description.
std::string DeviceLabel(const SerialDevice& device);

}  // namespace quillon
