#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::cli {

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Firmware { V11EInt, V11EExt, V11D };

// The options that come before the command, and the command with its own arguments.
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
  bool trace = false;
  bool json = false;
  std::optional<std::string> logPath;  // the results log, appended to
  // Asked for the usage or the version: nothing else is read.
  bool help = false;
  bool version = false;
  std::string command;
  std::vector<std::string> arguments;
};

GlobalOptions ParseGlobalOptions(const std::vector<std::string>& args);
std::string Usage();

// "COM3" gives 3; anything else is a device path.
std::optional<int> ComPortNumber(const std::string& port);

// Takes "--name VALUE" or "--name=VALUE" out of a command's arguments.
std::optional<std::string> TakeOption(std::vector<std::string>& arguments, const std::string& name);
int ParseIndex(const std::string& text, const std::string& what);

}  // namespace quillon::cli
