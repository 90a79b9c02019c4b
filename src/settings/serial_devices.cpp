#include "settings/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <system_error>
#include <tuple>

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> Entries(const fs::path& directory) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (auto it = fs::directory_iterator(directory, error); !error && it != fs::directory_iterator();
       it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string ReadAttribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
    line.pop_back();
  }
  return line;
}

// "ttyUSB" and 12 from "ttyUSB12".
std::pair<std::string, unsigned long> SplitNumber(const std::string& name) {
  const auto digits = name.find_last_not_of("0123456789") + 1;
  const std::string number = name.substr(digits);
  return {name.substr(0, digits), number.empty() || number.size() > 9 ? 0ul : std::stoul(number)};
}

bool IsKernelName(const std::string& name, std::string_view prefix) {
  const auto [head, number] = SplitNumber(name);
  return head == prefix && head.size() < name.size();
}

bool Inside(const fs::path& path, const fs::path& root) {
  const fs::path relative = path.lexically_relative(root);
  return !relative.empty() && relative != "." && *relative.begin() != "..";
}

// Every 8250 driver registers its ports whether or not a UART answers there; those without
// one report the unknown port type 0 and could never be opened.
bool HasUart(const SerialDeviceRoots& roots, const std::string& name) {
  const fs::path tty = roots.sys / "class" / "tty" / name;
  std::error_code error;
  return fs::exists(tty / "device", error) && ReadAttribute(tty / "type") != "0";
}

// The USB device is the nearest ancestor of the tty's sysfs device that carries vendor ids;
// none when there is no such ancestor.
fs::path UsbDirectory(const SerialDeviceRoots& roots, const std::string& name) {
  std::error_code error;
  const fs::path sysRoot = fs::canonical(roots.sys, error);
  fs::path directory = fs::canonical(roots.sys / "class" / "tty" / name / "device", error);
  if (error) {
    return {};
  }
  for (; Inside(directory, sysRoot); directory = directory.parent_path()) {
    if (!ReadAttribute(directory / "idVendor").empty()) {
      return directory;
    }
  }
  return {};
}

std::string UsbDescription(const SerialDeviceRoots& roots, const std::string& name) {
  const fs::path directory = UsbDirectory(roots, name);
  if (directory.empty()) {
    return {};
  }
  const std::string maker = ReadAttribute(directory / "manufacturer");
  const std::string product = ReadAttribute(directory / "product");
  std::string text = product.starts_with(maker) ? product : maker + (product.empty() ? "" : " " + product);
  text += (text.empty() ? "(" : " (") + ReadAttribute(directory / "idVendor") + ":" +
          ReadAttribute(directory / "idProduct") + ")";
  return text;
}

auto SortKey(const SerialDevice& device) {
  const auto [head, number] = SplitNumber(fs::path(device.node).filename().string());
  const int rank = head == "ttyUSB" ? 0 : head == "ttyACM" ? 1 : head == "ttyS" ? 3 : 2;
  return std::tuple(rank, head, number, device.node);
}

fs::path LinkTarget(const fs::path& link) {
  std::error_code error;
  const fs::path target = fs::read_symlink(link, error);
  if (error) {
    return {};
  }
  return target.is_absolute() ? target : (link.parent_path() / target).lexically_normal();
}

}  // namespace

std::vector<SerialDevice> DiscoverSerialDevices(const SerialDeviceRoots& roots) {
  std::vector<SerialDevice> devices;
  for (const fs::path& node : Entries(roots.dev)) {
    const std::string name = node.filename().string();
    const bool usb = IsKernelName(name, "ttyUSB") || IsKernelName(name, "ttyACM");
    if (usb || (IsKernelName(name, "ttyS") && HasUart(roots, name))) {
      devices.push_back({node.string(), {}, UsbDescription(roots, name)});
    }
  }
  for (const fs::path& link : Entries(roots.dev / "serial" / "by-id")) {
    const fs::path target = LinkTarget(link);
    std::error_code error;
    if (target.empty() || !fs::exists(target, error)) {
      continue;
    }
    const auto known = std::find_if(devices.begin(), devices.end(),
                                    [&](const SerialDevice& device) { return device.node == target.string(); });
    if (known == devices.end()) {
      devices.push_back({target.string(), link.string(), UsbDescription(roots, target.filename().string())});
    } else if (known->byId.empty()) {
      known->byId = link.string();
    }
  }
  std::sort(devices.begin(), devices.end(),
            [](const SerialDevice& a, const SerialDevice& b) { return SortKey(a) < SortKey(b); });
  return devices;
}

// A by-id link, or any other, names its node; a pty or a URL has no tty entry in sysfs.
std::string AdapterDescription(const std::string& path, const SerialDeviceRoots& roots) {
  std::error_code error;
  fs::path node = fs::canonical(path, error);
  if (error) {
    node = path;
  }
  const std::string name = node.filename().string();
  const std::string text = UsbDescription(roots, name);
  const std::string serial = text.empty() ? std::string() : ReadAttribute(UsbDirectory(roots, name) / "serial");
  return serial.empty() ? text : text + ", serial " + serial;
}

std::string DeviceLabel(const SerialDevice& device) {
  const std::string label = device.byId.empty() ? device.node : device.byId + " -> " + device.node;
  return device.description.empty() ? label : label + "  " + device.description;
}

}  // namespace quillon
