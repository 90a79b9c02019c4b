#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "settings/app_paths.h"
#include "settings/serial_devices.h"

namespace quillon {

// quillon-cli settings [--port COMn] [--baud N] [--device PATH|default]
// With no option it shows the configured port, baud rate and device of every COM slot;
// with options it stores them as the dialog's OK does, then shows them. args are the words
// after "settings". Returns 0 when done, 1 when something could not be stored, 2 for a
// usage error.
int RunSettingsCommand(const std::vector<std::string>& args, const AppPaths& paths, std::ostream& out,
                       std::ostream& err);

// quillon-cli ports: the serial devices present, one a line, with the COM slots bound to
// them. Returns 0.
int RunPortsCommand(const AppPaths& paths, std::ostream& out, const SerialDeviceRoots& roots = {});

}  // namespace quillon
