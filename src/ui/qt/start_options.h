#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::sim {
class Emulator;
}

namespace quillon::gui {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What quillon takes on its command line, Qt's own options already removed; --help and
// --version are answered before, without a display.
struct StartOptions {
  std::optional<std::string> simulate;  // the emulated target's options, possibly empty
  bool trace = false;
  std::optional<std::string> log;  // the results log's file
};

StartOptions ParseStartOptions(const std::vector<std::string>& args);
std::string StartUsage();
std::string VersionText();

// The emulated target that --simulate asks for, serving on its pty. Throws UsageError
// for options it does not know.
std::unique_ptr<sim::Emulator> StartSimulatedTarget(const std::string& options);

}  // namespace quillon::gui
