#include "settings/device_binding.h"

#include <map>

#include "settings/setting_values.h"
#include "transport/serial_port.h"

namespace quillon {

namespace {

std::size_t SlotIndex(int port) { return static_cast<std::size_t>(port - FirstBindablePort); }

}  // namespace

bool IsBindablePort(int port) { return port >= FirstBindablePort && port <= LastBindablePort; }

std::string DeviceBindingName(int port) { return "DEVICE" + std::to_string(port); }

DeviceBindings ReadDeviceBindings(const AppPaths& paths) {
  const SettingValues values(paths);
  DeviceBindings bindings;
  for (int port = FirstBindablePort; port <= LastBindablePort; ++port) {
    bindings[SlotIndex(port)] = values.Read(DeviceBindingName(port)).value_or("");
  }
  return bindings;
}

std::error_code WriteDeviceBindings(const AppPaths& paths, const DeviceBindings& bindings) {
  const DeviceBindings stored = ReadDeviceBindings(paths);
  std::map<std::string, std::string, std::less<>> changes;
  for (int port = FirstBindablePort; port <= LastBindablePort; ++port) {
    if (bindings[SlotIndex(port)] != stored[SlotIndex(port)]) {
      changes[DeviceBindingName(port)] = bindings[SlotIndex(port)];
    }
  }
  return changes.empty() ? std::error_code() : SettingValues(paths).Write(changes);
}

std::string BoundDevice(const DeviceBindings& bindings, int port) {
  return IsBindablePort(port) ? bindings[SlotIndex(port)] : std::string();
}

bool BindDevice(DeviceBindings& bindings, int port, std::string path) {
  if (!IsBindablePort(port)) {
    return false;
  }
  bindings[SlotIndex(port)] = std::move(path);
  return true;
}

void ApplyDeviceBinding(const DeviceBindings& bindings, SerialPort& port) {
  port.SetDevicePath(BoundDevice(bindings, port.GetPortNumber()));
}

}  // namespace quillon
