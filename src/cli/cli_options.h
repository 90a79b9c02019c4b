#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/serial_format.h"
#include "cli/settings_commands.h"
#include "transport/reset_pulse.h"

namespace quillon::cli {

// A command line that cannot be run; command names the command whose --help says more,
// empty for the program's own.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& what, std::string command = {})
      : std::runtime_error(what), command_(std::move(command)) {}
  const std::string& Command() const { return command_; }

 private:
  std::string command_;
};

enum class Firmware { V11EInt, V11EExt, V11D };

// The words that follow a command, as its dialog would take them.
struct CommandArguments {
  std::optional<std::string> file;    // "-" for stdin or stdout
  int sector = 0;                     // an index into the dialog's starting-sector list
  int range = 0;                      // an index into its range list; 0 is every sector
  std::optional<std::string> format;  // save: text|bin; download and compare: hex|bin
  int option = 0;                     // lock 1-5, remap 1-3
};

// --serial-*: a number of its own for every board, into its copy of the image.
struct SerialOptions {
  std::optional<std::uint32_t> at;  // the flash address; none: no numbers
  SerialFormat format;
  std::string counterFile;
  std::uint64_t start = 1;  // the first number when the counter file does not exist yet
};

// The whole command line: the options that stand anywhere, the command and its words.
struct GlobalOptions {
  std::vector<std::string> ports;         // device paths, or COM1..COM4, in the order given
  std::vector<std::string> portPatterns;  // --ports: glob(3) patterns for device paths
  std::optional<unsigned> baud;
  std::optional<int> echoWindow;
  Firmware firmware = Firmware::V11EInt;
  bool chipA16 = false;
  bool memoryInternal = false;
  std::optional<std::string> simulate;  // the emulated target's options, possibly empty
  bool yes = false;
  bool quiet = false;
  bool trace = false;
  bool json = false;
  std::optional<std::string> logPath;  // the results log, appended to
  std::optional<ResetPulse> reset;     // given to every port as it opens; else the stored one
  SerialOptions serial;
  std::string command;
  CommandArguments arguments;
  SettingsRequest settings;
};

// What the program was asked to do: run options.command, or only print text (--help,
// --version).
struct CommandLine {
  GlobalOptions options;
  std::optional<std::string> text;
};

// Throws UsageError naming the first problem.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// "COM3" gives 3; anything else is a device path.
std::optional<int> ComPortNumber(const std::string& port);

// A decimal number from 0 up and nothing after it; what names it in the refusal.
int ParseIndex(const std::string& text, const std::string& what);

}  // namespace quillon::cli
