#pragma once

#include <array>
#include <string>
#include <system_error>

#include "settings/app_paths.h"

namespace quillon {

class SerialPort;

// A COM slot stands for /dev/ttyS(n-1) unless it is bound to another device (a USB
// adapter, an emulator's pty). The bindings are kept with the registry values, named
// DEVICE1..DEVICE4; a missing or empty value means the default device.
inline constexpr int FirstBindablePort = 1;
inline constexpr int LastBindablePort = 4;
using DeviceBindings = std::array<std::string, LastBindablePort>;

bool IsBindablePort(int port);
std::string DeviceBindingName(int port);

DeviceBindings ReadDeviceBindings(const AppPaths& paths);
// Rewrites the values only when a binding has changed; the reason when that failed.
std::error_code WriteDeviceBindings(const AppPaths& paths, const DeviceBindings& bindings);

// The path the port is bound to; empty for its default device and for a port outside the slots.
std::string BoundDevice(const DeviceBindings& bindings, int port);
// An empty path restores the default device; false for a port outside the slots.
bool BindDevice(DeviceBindings& bindings, int port, std::string path);
// Points the port at the device its COM slot is bound to, or back at the default.
void ApplyDeviceBinding(const DeviceBindings& bindings, SerialPort& port);

}  // namespace quillon
