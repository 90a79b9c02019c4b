#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::sim {

// The boot loader's three dialects: "v1.1d", "v1.1e-ext" and "v1.1e-int".
enum class Firmware { V11D, V11EExt, V11EInt };
enum class Chip { A16, A32 };
enum class Direction { ToTarget, FromTarget };

struct WireEvent {
  std::chrono::steady_clock::time_point time;
  Direction direction;
  std::uint8_t byte;
};

// Bytes the serial line has carried each way.
// One byte the target sends with bits flipped: the index counts from 0 among its replies,
// or among its echoes and ready bytes, and the byte is XORed with the mask.
struct ByteFlip {
  bool reply = true;
  int index = 0;
  std::uint8_t mask = 0;
};

struct WireCounts {
  std::uint64_t toTarget = 0;
  std::uint64_t fromTarget = 0;
};

// Misbehaviours the target can be told to show. Byte counts start over whenever the
// faults are set, so a test can arm a fault at the point of a conversation it cares about.
struct Faults {
  bool noEcho = false;     // direct dialects: no echo at all
  bool wrongEcho = false;  // direct dialects: every echo is the byte with all bits flipped
  int eraseStatus = 0xC0;
  int writeStatus = 0xC0;  // after 0x06; 0x0E has no reply
  int chipEraseStatus = 0xC0;
  int dropReplyByte = -1;        // 0-based among reply bytes (echoes and ready bytes do not count)
  int extraByteAfterReply = -1;  // 0-based reply byte after which extraByteValue follows
  int extraByteValue = 0x00;
  std::vector<ByteFlip> flips{};            // a garbled line, as a fuzzer drives it
  int readyStopsAfter = -1;                 // internal mode: ready bytes sent before they stop for good
  std::chrono::milliseconds replyDelay{0};  // added before the first byte of every reply
  int silenceAfter = -1;                    // bytes sent before the target sends nothing more
  int resetAfter = -1;                      // the byte received with this count (1-based) is lost in a reset
  int hangUpAfter = -1;                     // at the byte received with this count the target closes its end
  // The faults wait for the host's first command byte and the received byte counts leave
  // the queued link's idle bytes out, so that a count lands in the same place of an
  // operation however the link idled before and between its commands.
  bool atCommand = false;
  std::chrono::milliseconds chipEraseTime{0};
};

struct Config {
  Firmware firmware = Firmware::V11EInt;
  Chip chip = Chip::A32;
  std::uint8_t status = 0x00;          // SB1..SB3 at bits 7..5, RB0/RB1 at bits 0/1
  std::optional<std::uint8_t> chipId;  // 0xE4 for the A16 and 0xE2 for the A32 when absent
  std::uint8_t firmwareMajor = 0x11;
  std::uint8_t firmwareLetter = 0x45;
  unsigned baud = 0;  // 0: unpaced; otherwise 10 bit times per byte in each direction
  // A USB-serial adapter's latency timer, in both directions; 0: no adapter.
  std::chrono::milliseconds latency{0};
  std::chrono::milliseconds programTime{0};  // per 0x06 or 0x0E command
  std::chrono::milliseconds eraseTime{0};    // per sector
  // Internal mode: a ready byte left unanswered this long is sent again, so an idle target
  // keeps prompting at a low rate. Slower than a host's byte wait, so that a repeat is
  // never taken for the prompt that follows a reply at once.
  std::chrono::milliseconds readyRepeat{500};
  // Internal mode: the pause before the ready byte that answers the second and every
  // further idle byte in a row. A host that answers every ready byte at once would
  // otherwise keep both ends busy at the line's full rate (or, unpaced, spinning), while
  // the first idle byte after a command, often followed at once by the next command,
  // costs no time.
  std::chrono::microseconds idleReadyGap{2000};
  std::string imagePath;                    // raw bytes placed from address 0x0000 on
  std::string logPath;                      // wire log as text, one byte per line
  std::size_t wireLogCapacity = 1'000'000;  // events kept in memory; the oldest go first
  Faults faults;
};

}  // namespace quillon::sim
