#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "operator/timing.h"
#include "transport/reset_pulse.h"

namespace quillon {

class OperatorMessages;
class StopRequest;
class PortLine;

// Results of open and close.
enum PortResult : int {
  PortOk = 0,
  PortCannotOpen = 2,
  PortNotOpen = 3,
};

// The baud rate the line really runs at: the boot loader knows only these five.
unsigned EffectiveBaudRate(unsigned configured);
// One byte's time on the line at that rate, ten bits a byte, rounded down.
std::chrono::microseconds ByteTime(unsigned configured);

// The modem-line ioctl (TIOCMBIS or TIOCMBIC): a pseudo-terminal has no modem lines, so a
// test puts a watcher here to see which are raised or lowered.
extern int (*ModemLineControl)(int fd, unsigned long request, int* lines);

// The device a COM slot stands for when no other path is bound to it: COMn is /dev/ttyS(n-1).
std::string DefaultDevicePath(int portNumber);

// The serial line to the boot loader, one byte at a time, half duplex. In the direct
// links every written byte must come back as an echo before the next one goes out.
//
// The link worker reads and writes from its own thread while the user thread may reopen
// the port, so transfers and open/close exclude each other; a transfer blocked in its
// wait is woken at once when the port is being reconfigured and goes on waiting on the
// new handle for the rest of its time.
class SerialPort {
 public:
  // A raised stop request ends a frame whose bytes fail at the first one, rather than after
  // each of the rest has waited out its time.
  SerialPort(OperatorMessages& owner, const std::atomic<int>& linkMode, const StopRequest* stop = nullptr);
  virtual ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  int OpenPort();
  int ClosePort();
  int CloseIfOpen();
  int ReadByte(std::uint8_t& byte);
  int WriteByte(std::uint8_t byte);
  // Writes the bytes of one frame as WriteByte would, one after another: 1 when every
  // byte went out and came back, 0 after the message of the first that did not. With a
  // failure callback, each byte that fails is told to it and the rest still go, so that
  // the target receives the whole count it was promised. In the direct links up to the
  // echo window's count of bytes go out ahead of their echoes, each echo still checked
  // in order.
  using ByteFailure = std::function<void()>;
  int WriteBytes(const std::uint8_t* bytes, std::size_t count, const ByteFailure& failed = nullptr);
  // True when no byte arrives within the span; one that does is taken off the line.
  bool StaysQuiet(std::chrono::microseconds span);
  bool PurgeInput();
  bool PurgeOutput();
  // Waits, within the limit, until the driver has sent every byte written so far.
  bool DrainOutput(std::chrono::milliseconds limit);

  unsigned GetBaudRate() const { return baudRate_.load(); }
  // 1, one byte at a time, unless the board's receiver is known to keep up with more.
  int GetEchoWindow() const { return echoWindow_; }
  void SetEchoWindow(int window) { echoWindow_ = std::clamp(window, 1, MaxEchoWindow); }
  static constexpr int MaxEchoWindow = 64;
  void SetBaudRate(unsigned baudRate) { baudRate_ = baudRate; }
  int GetPortNumber() const { return portNumber_; }
  void SetPortNumber(int portNumber) { portNumber_ = portNumber; }
  // Binds the port to a device other than /dev/ttyS(n-1), or to a port server's
  // rfc2217://HOST:PORT or socket://HOST:PORT; empty restores the default.
  void SetDevicePath(std::string path) { devicePath_ = std::move(path); }
  std::string DevicePath() const;
  // Given at every open, before the line is handed to the detection.
  void SetResetPulse(const ResetPulse& pulse) { resetPulse_ = pulse; }
  const ResetPulse& GetResetPulse() const { return resetPulse_; }

  // The device has hung up (an adapter pulled out): the operator has been told once, the
  // connection is gone, and only a new open clears it.
  bool LineHungUp() const { return hungUp_; }

  void SetConnected() { connected_ = 1; }
  void ClearConnected() { connected_ = 0; }
  bool IsConnected() const { return connected_ != 0; }
  bool IsOpen() const;

  const Timing& GetTiming() const { return timing_; }
  void SetTiming(const Timing& timing) { timing_ = timing; }

 protected:
  using Clock = std::chrono::steady_clock;

  OperatorMessages& Owner() const { return owner_; }
  const std::atomic<int>& LinkModeRef() const { return linkMode_; }

 private:
  enum class Io { Ok, DrainTimedOut, TimedOut, Failed, HungUp };
  class Reconfiguration;

  int CloseLocked();
  Io ReadLocked(std::unique_lock<std::mutex>& lock, std::uint8_t& byte, Clock::time_point deadline);
  Io WriteLocked(std::unique_lock<std::mutex>& lock, std::uint8_t byte);
  bool DrainLocked(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);
  bool AwaitUsablePort(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);
  bool AwaitDeadline(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);
  bool Purge(int queueSelector);
  bool ReportedWrite(Io written, int mode);
  Io NoteHangUp();
  void ReportHangUp();
  void SkipEchoes(std::size_t count);
  void PulseReset();

  bool StopRaised() const;

  OperatorMessages& owner_;
  const std::atomic<int>& linkMode_;
  const StopRequest* stop_;
  Timing timing_;
  std::atomic<int> connected_{0};
  std::atomic<bool> hungUp_{false};
  std::atomic<bool> hangUpReported_{false};
  // Read by the worker's drain wait while a settings dialog may change it.
  std::atomic<unsigned> baudRate_{38400};
  int echoWindow_ = 1;
  int portNumber_ = 1;
  std::string devicePath_;
  ResetPulse resetPulse_;

  mutable std::mutex ioMutex_;
  std::condition_variable ioIdle_;
  std::atomic<bool> reconfiguring_{false};
  std::uint64_t reconfigurations_ = 0;  // guarded by ioMutex_
  // The open line, and the descriptor its waits poll (-1 when closed). Changed under
  // ioMutex_, but read without it by IsOpen, which must not wait behind the worker's reads.
  std::unique_ptr<PortLine> line_;
  std::atomic<int> fd_{-1};
  std::string hangUpText_;
  int wakeFd_ = -1;
};

}  // namespace quillon
