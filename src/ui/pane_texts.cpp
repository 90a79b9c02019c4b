#include "ui/pane_texts.h"

#include "transport/serial_port.h"

namespace quillon {

std::string UpdatePortPane(const SerialPort& port) { return "COM" + std::to_string(port.GetPortNumber()); }

// The pane has always shown the rate as a signed number; a hand-edited settings file
// holding more than 2^31 shows negative here, as it always did.
std::string UpdateBaudPane(const SerialPort& port) {
  return "Baud Rate: " + std::to_string(static_cast<int>(port.GetBaudRate()));
}

}  // namespace quillon
