#include "cli/cli_options.h"

#include <charconv>

#include "transport/serial_port.h"

namespace quillon::cli {

namespace {

bool Split(const std::string& arg, const std::string& name, std::optional<std::string>& inlineValue) {
  if (arg == name) {
    return true;
  }
  if (arg.rfind(name + "=", 0) == 0) {
    inlineValue = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace

std::string Usage() {
  return "usage: quillon-cli [--port DEV|COM1..COM4]... [--ports GLOB] [--baud N]\n"
         "                   [--firmware v1.1e-int|v1.1e-ext|v1.1d] [--chip A16|A32] [--memory int|ext]\n"
         "                   [--simulate[=OPTIONS]] [--yes] [--trace] [--echo-window N] [--json] [--log FILE]\n"
         "                   COMMAND [ARGS]\n"
         "       quillon-cli --help | --version\n"
         "commands:\n"
         "  detect\n"
         "  download FILE [--sector N]          download-run FILE [--sector N]\n"
         "  compare FILE [--sector N]\n"
         "  read [--sector N] [--range R]\n"
         "  erase [--sector N] [--range R]      chip-erase\n"
         "  save FILE [--sector N] [--range R] [--format text|bin]\n"
         "  lock OPTION (1-5)                   remap OPTION (1-3)         run\n"
         "  settings [--port COMn --baud N --echo-window N]                ports\n"
         "--port given again, --ports or --simulate=boards=N run the command on every port at once:\n"
         "each line starts with its port, a summary of every port's chip, result and time follows,\n"
         "and the exit status is 0 only when every port succeeded. A question is asked once for all.\n"
         "  --ports GLOB    every device the pattern matches, e.g. '/dev/serial/by-id/usb-FTDI*'\n"
         "  --log FILE      appends one JSON line per port and command: UTC time, port, device, chip,\n"
         "                  firmware, security, command, file and its SHA-256, first and last address\n"
         "                  written, result, messages and seconds taken\n"
         "  --json          one JSON object per port instead of the text; questions take --yes or\n"
         "                  their default\n"
         "--simulate runs the emulated target in this process; OPTIONS are quillon-sim's options\n"
         "without their dashes, separated by commas, e.g. --simulate=status=0x20,baud=38400.\n"
         "boards=N starts N emulated targets, and an option written NAME@K=VALUE is target K's\n"
         "alone, e.g. --simulate=boards=4,baud=38400,fault@3=silence-after=200\n";
}

int ParseIndex(const std::string& text, const std::string& what) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) {
    throw UsageError(what + " must be a number from 0 up, not \"" + text + "\"");
  }
  return value;
}

std::optional<int> ComPortNumber(const std::string& port) {
  if (port.size() == 4 && port.rfind("COM", 0) == 0 && port[3] >= '1' && port[3] <= '4') {
    return port[3] - '0';
  }
  return std::nullopt;
}

std::optional<std::string> TakeOption(std::vector<std::string>& arguments, const std::string& name) {
  for (auto it = arguments.begin(); it != arguments.end(); ++it) {
    std::optional<std::string> value;
    if (!Split(*it, name, value)) {
      continue;
    }
    if (!value) {
      if (it + 1 == arguments.end()) {
        throw UsageError(name + " needs a value");
      }
      value = *(it + 1);
      arguments.erase(it, it + 2);
    } else {
      arguments.erase(it);
    }
    return value;
  }
  return std::nullopt;
}

GlobalOptions ParseGlobalOptions(const std::vector<std::string>& args) {
  GlobalOptions options;
  std::size_t i = 0;
  const auto valueOf = [&](const std::string& name, std::optional<std::string>& inlineValue) {
    if (inlineValue) {
      return *inlineValue;
    }
    if (++i >= args.size()) {
      throw UsageError(name + " needs a value");
    }
    return args[i];
  };
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.empty() || arg[0] != '-') {
      break;
    }
    if (Split(arg, "--port", inlineValue)) {
      options.ports.push_back(valueOf("--port", inlineValue));
    } else if (Split(arg, "--ports", inlineValue)) {
      options.portPatterns.push_back(valueOf("--ports", inlineValue));
    } else if (Split(arg, "--log", inlineValue)) {
      options.logPath = valueOf("--log", inlineValue);
    } else if (Split(arg, "--baud", inlineValue)) {
      const std::string text = valueOf("--baud", inlineValue);
      options.baud = static_cast<unsigned>(ParseIndex(text, "--baud"));
    } else if (Split(arg, "--echo-window", inlineValue)) {
      const int window = ParseIndex(valueOf("--echo-window", inlineValue), "--echo-window");
      if (window < 1 || window > SerialPort::MaxEchoWindow) {
        throw UsageError("--echo-window is 1 to " + std::to_string(SerialPort::MaxEchoWindow));
      }
      options.echoWindow = window;
    } else if (Split(arg, "--firmware", inlineValue)) {
      const std::string name = valueOf("--firmware", inlineValue);
      if (name == "v1.1e-int") {
        options.firmware = Firmware::V11EInt;
      } else if (name == "v1.1e-ext") {
        options.firmware = Firmware::V11EExt;
      } else if (name == "v1.1d") {
        options.firmware = Firmware::V11D;
      } else {
        throw UsageError("--firmware is v1.1e-int, v1.1e-ext or v1.1d, not \"" + name + "\"");
      }
    } else if (Split(arg, "--chip", inlineValue)) {
      const std::string chip = valueOf("--chip", inlineValue);
      if (chip != "A16" && chip != "A32") {
        throw UsageError("--chip is A16 or A32, not \"" + chip + "\"");
      }
      options.chipA16 = chip == "A16";
    } else if (Split(arg, "--memory", inlineValue)) {
      const std::string memory = valueOf("--memory", inlineValue);
      if (memory != "int" && memory != "ext") {
        throw UsageError("--memory is int or ext, not \"" + memory + "\"");
      }
      options.memoryInternal = memory == "int";
    } else if (Split(arg, "--simulate", inlineValue)) {
      options.simulate = inlineValue.value_or("");
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    } else if (arg == "--version") {
      options.version = true;
      return options;
    } else if (arg == "--yes") {
      options.yes = true;
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (arg == "--json") {
      options.json = true;
    } else {
      throw UsageError("unknown option " + arg);
    }
  }
  if (i >= args.size()) {
    throw UsageError("no command given");
  }
  options.command = args[i];
  options.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  return options;
}

}  // namespace quillon::cli
