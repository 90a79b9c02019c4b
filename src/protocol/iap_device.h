#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <utility>

#include "protocol/stop_point.h"
#include "transport/guarded_queue.h"
#include "transport/link_state.h"
#include "transport/serial_port.h"

namespace quillon {

class OperatorFeedback;

// The host-side proxy of the target: the serial line, the command frame, the queues of
// the queued link and the flash operations built on them.
class CIapDevice : public SerialPort {
 public:
  CIapDevice(OperatorFeedback& owner, LinkState& link);

  // Four bytes: command, address high, address low, data. Written with echo check in the
  // direct links, queued for the link worker in the queued link; never waits for a reply.
  int SendFrame(std::uint8_t command, std::uint32_t address, std::uint8_t data);

  // The status handshake: 1 with the status byte and the connected flag set, or 0.
  int HandshakeQueued(std::uint8_t& status);
  int HandshakeDirect(std::uint8_t& status);

  // What a wait does once the person asks to stop: a frame under way is given a short
  // grace to finish, so that the link stays in step; a wait for a target that may never
  // answer ends at once.
  enum class OnStop { FinishFrame, GiveUp };
  // The next reply byte of the queued link: 1 with the byte, 0 when the link is lost, the
  // limit passes, the queue fails or a stop ends the wait. Sleeps until a byte arrives,
  // keeping a window alive.
  int AwaitReply(std::uint8_t& byte, std::chrono::milliseconds limit, OnStop onStop = OnStop::FinishFrame);

  // True once the person has asked the running operation to stop.
  bool StopRequested() const { return link_.Stop.Raised(); }
  // How long a frame under way may still take once a stop has been asked for; past it the
  // frame is abandoned, and the stop is then told within a second of the request.
  static constexpr std::chrono::milliseconds StopGrace{600};
  // Where the last operation ended on a stop request, taken once by whoever reports it.
  std::optional<StopPoint> TakeStopPoint() { return std::exchange(stopPoint_, std::nullopt); }
  void NoteStop(const StopPoint& point) { stopPoint_ = point; }
  bool Stopped() const { return stopPoint_.has_value(); }

  // Flash operations. Each drives the window's progress hooks and returns 0, or -1 on
  // failure, except ReadFlash (bytes stored, whole chunks only) and RunUserCode and the
  // two single-step sends (1 done, 0 failed).
  int EraseSectors(int start, int stride, int count);
  int ChipErase();
  int WriteFlash(int start, int sectorSize, const std::uint8_t* data, int total);
  int ReadFlash(std::uint8_t* destination, int start, int total, int chunk);
  int CompareFlash(int start, int chunk, const std::uint8_t* image, int total, int& mismatchAddress, int& mismatchPair);
  int SendLockByte(std::uint8_t selector);
  int SendRemapByte(std::uint8_t selector);
  int SetLock(int option);
  int SetRemap(int option);
  int RunUserCode();

  int GuardedPut(CByteQueue& queue, std::mutex& mutex, std::uint8_t byte);
  int GuardedGet(CByteQueue& queue, std::mutex& mutex, std::uint8_t& byte);

  OperatorFeedback& Window() const { return window_; }
  LinkState& Link() const { return link_; }

 private:
  void NoteStopDuringDetection();
  // Ends a wait at the stop's grace, counted from when the wait first saw the request.
  Clock::time_point StopBound(Clock::time_point deadline);

  OperatorFeedback& window_;
  LinkState& link_;
  std::optional<StopPoint> stopPoint_;
  std::optional<Clock::time_point> stopSeen_;
};

}  // namespace quillon
