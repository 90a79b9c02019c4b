#pragma once

#include <filesystem>
#include <vector>

#include "sim/emulator.h"
#include "support/scripted_operator.h"
#include "ui/main_dlg.h"

namespace quillon::test {

// The real limits where they are the point of a test, shorter ones where only the order
// of events matters, so the suite stays quick.
Timing FastTiming();

// A private directory that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A host window wired to an emulated target over a pseudo-terminal.
struct HostFixture {
  explicit HostFixture(sim::Config config = {}, Timing timing = FastTiming());

  // Runs the detection that fits the target's firmware, answering the chip-type dialog
  // with the target's model and external memory; true when the handshake succeeded.
  bool Detect();

  CTargetChip& Chip() { return *window.TargetChip(); }
  CIapDevice& Device() { return Chip().Device(); }
  std::vector<std::uint8_t> SentToTarget() const;
  std::vector<std::uint8_t> SentByTarget() const;

  sim::Config config;
  TempDir dir;
  ScriptedOperator op;
  sim::Emulator target;
  CMainDlg window;
};

// The bytes of one direction of a wire log.
std::vector<std::uint8_t> BytesOf(const std::vector<sim::WireEvent>& log, sim::Direction direction);

}  // namespace quillon::test
