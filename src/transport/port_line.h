#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "operator/timing.h"

namespace quillon {

// One open line under the serial port: a local device, or a connection to a port server.
// The port waits on Fd() with poll(2) and moves single bytes through the rest, so its
// time limits, wake-ups and hang-up handling are the same for every kind of line.
class PortLine {
 public:
  virtual ~PortLine() = default;
  PortLine() = default;
  PortLine(const PortLine&) = delete;
  PortLine& operator=(const PortLine&) = delete;

  // What poll(2) waits on for input and output.
  virtual int Fd() const = 0;
  // As read(2) and write(2) of one byte: 1, 0 at the end of the line, or -1 with errno set;
  // EAGAIN also when what came was the line's own talk rather than data.
  virtual ssize_t Read(std::uint8_t& byte) = 0;
  virtual ssize_t Write(std::uint8_t byte) = 0;
  // Bytes written but not yet on their way; false when the line cannot tell.
  virtual bool PendingOutput(int& pending) = 0;
  // TCIFLUSH, TCOFLUSH or TCIOFLUSH.
  virtual bool Purge(int queueSelector) = 0;
  // TIOCM_DTR and TIOCM_RTS, raised or lowered.
  virtual void SetModemLines(int lines, bool raise) = 0;
  // What the operator is told when the line hangs up.
  virtual std::string HangUpText() const = 0;
};

// What opening a line came to: the line, or why not, as a text for the operator (a cause
// they can mend) or a trace.
struct LineOpening {
  std::unique_ptr<PortLine> line;
  std::string told;
  std::string traced;
};

// The line's settings at open, and what the open may wait on.
struct LineRequest {
  unsigned baudRate = 38400;
  Timing timing;
  // Readable when the open should give up (a stop request), or -1.
  int wakeFd = -1;
};

// True for a name the network lines serve: rfc2217://HOST:PORT or socket://HOST:PORT.
bool IsNetworkPortName(const std::string& name);

LineOpening OpenLocalLine(const std::string& path, const LineRequest& request);
LineOpening OpenNetworkLine(const std::string& name, const LineRequest& request);

}  // namespace quillon
