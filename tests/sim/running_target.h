#pragma once

#include <ostream>
#include <utility>

#include "pty_client.h"
#include "sim/emulator.h"

namespace quillon::sim {

inline void PrintTo(Firmware firmware, std::ostream* out) {
  *out << (firmware == Firmware::V11D ? "v1.1d" : firmware == Firmware::V11EExt ? "v1.1e-ext" : "v1.1e-int");
}

}  // namespace quillon::sim

namespace quillon::sim::testing {

// An emulator serving its pty with a client on the slave side.
struct RunningTarget {
  explicit RunningTarget(Config config) : emulator(std::move(config)), client(emulator.Start()) {}

  Emulator emulator;
  PtyClient client;
};

inline Config ConfigFor(Firmware firmware, Chip chip = Chip::A32) {
  Config config;
  config.firmware = firmware;
  config.chip = chip;
  // Tests that want the repeated ready byte ask for it; elsewhere it would only get in the way.
  config.readyRepeat = std::chrono::seconds(30);
  return config;
}

}  // namespace quillon::sim::testing
