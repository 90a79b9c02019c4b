#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::sim {

// The target's end of the line: the master side of a pseudo-terminal. The slave stays
// open here too, raw, so that bytes pass unaltered before the host has set its own
// terminal modes and the master never sees a hang-up while the host closes and reopens.
class PtyPort {
 public:
  using Clock = std::chrono::steady_clock;

  struct Readiness {
    bool input = false;  // a byte from the host is waiting
    bool woken = false;  // Interrupt() was called
  };

  PtyPort();  // throws std::system_error when no pseudo-terminal can be had
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  const std::string& SlavePath() const { return slavePath_; }

  // Blocks until input (when asked for), an Interrupt() or the deadline, which must be finite.
  Readiness Wait(bool wantInput, Clock::time_point deadline);
  // What the host has written, up to `most` bytes; the rest stays in the pty.
  std::vector<std::uint8_t> Read(std::size_t most);
  // Bytes nobody reads are lost once the line's buffer is full, as on a real line.
  void Write(const std::vector<std::uint8_t>& bytes);
  // Safe from any thread.
  void Interrupt();
  // Closes the target's end as an unplugged adapter would: the host's reads and writes fail
  // and the slave path goes away. Interrupt() still works.
  void HangUp();

 private:
  int master_ = -1;
  int slave_ = -1;
  int wake_ = -1;
  std::string slavePath_;
};

}  // namespace quillon::sim
