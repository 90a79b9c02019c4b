#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/config.h"
#include "sim/flash_memory.h"

namespace quillon::sim {

enum class EmissionKind { Echo, Reply, Ready };

// A byte the boot loader wants on the line. busyBefore is the work it does first,
// counted from the previous emission of the same batch (or from the byte that caused it).
struct Emission {
  std::uint8_t byte;
  EmissionKind kind;
  bool opensReply = false;  // the first byte of a command's reply
  std::chrono::microseconds busyBefore{0};
};

struct Identity {
  std::uint8_t status;
  std::uint8_t chipId;
  std::uint8_t firmwareMajor;
  std::uint8_t firmwareLetter;
};

struct WorkTimes {
  std::chrono::microseconds program{0};
  std::chrono::microseconds erase{0};
  std::chrono::microseconds idleReadyGap{0};  // from the second idle byte in a row on
};

// What erase and program answer, and how long a chip erase takes: faults can change them.
struct Outcomes {
  std::uint8_t eraseStatus = 0xC0;
  std::uint8_t writeStatus = 0xC0;
  std::uint8_t chipEraseStatus = 0xC0;
  std::chrono::microseconds chipEraseTime{0};
};

// The boot loader's command interpreter, one received byte at a time. It knows nothing of
// time or the line: it says which bytes it sends back and how long it works before each.
class BootLoader {
 public:
  BootLoader(Firmware firmware, FlashMemory& flash, Identity identity, WorkTimes times);

  void SetOutcomes(const Outcomes& outcomes) { outcomes_ = outcomes; }

  // Forgets any command in progress and re-enters the loader; internal mode prompts at once.
  void Reset(std::vector<Emission>& out);
  void Receive(std::uint8_t byte, std::vector<Emission>& out);
  // Internal mode: the last ready byte went unanswered; prompt again.
  void PromptAgain(std::vector<Emission>& out);

  bool AwaitingAnswer() const { return prompted_ && inBootLoader_; }
  // What the byte would be to the loader between commands: the queued link's idle byte,
  // the start of a command, or neither (an operand, or a byte the loader ignores).
  enum class ByteRole { Idle, Command, Other };
  ByteRole RoleOf(std::uint8_t byte) const;
  bool InBootLoader() const { return inBootLoader_; }
  std::uint8_t Status() const { return status_; }

 private:
  struct Frame {
    std::uint8_t code;
    std::size_t operandsWanted;
    bool dataFollows;
    std::vector<std::uint8_t> operands;
    std::vector<std::uint8_t> data;
  };

  bool Internal() const { return firmware_ == Firmware::V11EInt; }
  Frame Open(std::uint8_t code) const;
  static bool Complete(const Frame& frame);
  // Carries the command out; returns the work still to do before the next ready byte.
  std::chrono::microseconds Execute(const Frame& frame, std::vector<Emission>& out);
  void Program(const Frame& frame);
  void Prompt(std::vector<Emission>& out, std::chrono::microseconds busyBefore);

  Firmware firmware_;
  FlashMemory& flash_;
  Identity identity_;
  WorkTimes times_;
  Outcomes outcomes_;
  std::uint8_t status_;
  std::optional<Frame> frame_;
  bool inBootLoader_ = true;
  bool prompted_ = false;
  int idleRun_ = 0;  // idle bytes in a row
};

}  // namespace quillon::sim
