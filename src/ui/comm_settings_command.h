#pragma once

#include <string_view>
#include <vector>

#include "operator/outcome.h"
#include "settings/app_paths.h"
#include "settings/serial_devices.h"

namespace quillon {

class CTargetChip;
class Operator;

inline constexpr std::string_view CommSettingsTitle =
    "ATTENTION! BAUDRATE SELECTED FOR COMM PORT MUST MATCH WITH BAUDRATE SET IN MCU.";

// The "&RS232" command: the dialog under a warning title, which is restored however the
// dialog ends. The port that is open keeps its settings; the next detection reopens it.
// Declined when the operator cancelled, Failed when the choice could not all be stored.
Outcome RunCommSettings(Operator& window, CTargetChip* chip, const AppPaths& paths, std::vector<SerialDevice> devices);

}  // namespace quillon
