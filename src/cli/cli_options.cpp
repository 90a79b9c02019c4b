#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <sstream>

#include "cli/command_table.h"
#include "settings/comm_settings.h"
#include "transport/serial_port.h"

namespace quillon::cli {

namespace {

constexpr const char* Description =
    "Programs the flash of QRV71A16 and QRV71A32 microcontrollers through their boot-strap loader.\n"
    "Every command but settings and ports first runs the detection that --firmware names.\n";

constexpr const char* Footer =
    "The options may stand before or after the command; -- ends them. QUILLON_PORT and QUILLON_BAUD\n"
    "give a port and a baud rate where the options give none, ahead of the settings file.\n"
    "--port given again, --ports or --simulate=boards=N run the command on every port at once:\n"
    "each line starts with its port, a summary of every port's chip, result and time follows,\n"
    "and the exit status is 0 only when every port succeeded. A question is asked once for all.\n"
    "With --json each port prints one JSON object on a line of its own (JSON Lines).\n"
    "--log FILE appends one JSON line per port and command: UTC time, port, device, chip,\n"
    "firmware, security, command, file and its SHA-256, first and last address written,\n"
    "result, messages and seconds taken.\n"
    "--simulate runs the emulated target in this process; OPTIONS are quillon-sim's options\n"
    "without their dashes, separated by commas, e.g. --simulate=status=0x20,baud=38400.\n"
    "boards=N starts N emulated targets, and an option written NAME@K=VALUE is target K's\n"
    "alone, e.g. --simulate=boards=4,baud=38400,fault@3=silence-after=200\n"
    "Exit status: 0 done, 1 failed, 2 usage error, 130 or 143 stopped by SIGINT or SIGTERM.\n"
    "See quillon-cli COMMAND --help for a command's own words.";

// A check that refuses every text parse cannot take, saying what it takes instead.
template <typename Parse>
CLI::Validator Taking(Parse parse, const std::string& takes) {
  return CLI::Validator(
      [parse, takes](std::string& text) { return parse(text) ? std::string() : takes + ", not '" + text + "'"; }, "");
}

std::optional<int> Decimal(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
    return std::nullopt;
  }
  return value;
}

CLI::Validator OneOf(std::vector<std::string> names) {
  std::string takes = "takes ";
  for (std::size_t i = 0; i < names.size(); ++i) {
    takes += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  }
  return Taking([names](const std::string& text) { return std::find(names.begin(), names.end(), text) != names.end(); },
                takes);
}

void AddGlobalOptions(CLI::App& app, GlobalOptions& options, std::string& firmware, std::string& chip,
                      std::string& memory) {
  app.add_option("-p,--port", options.ports, "a device path or COM1..COM4; again for a gang")
      ->type_name("DEV")
      ->envname("QUILLON_PORT");
  app.add_option("--ports", options.portPatterns,
                 "every device the pattern matches, e.g. '/dev/serial/by-id/usb-FTDI*'")
      ->type_name("GLOB");
  app.add_option_function<std::string>(
         "-b,--baud", [&options](const std::string& text) { options.baud = ParseBaudRate(text); },
         "2400, 4800, 9600, 19200 or 38400 instead of the configured rate")
      ->type_name("RATE")
      ->envname("QUILLON_BAUD")
      ->check(Taking(ParseBaudRate, std::string(BaudRatesTaken)));
  app.add_option("--firmware", firmware, "the detection to run: v1.1e-int (auto), v1.1e-ext or v1.1d")
      ->type_name("NAME")
      ->check(OneOf({"v1.1e-int", "v1.1e-ext", "v1.1d"}));
  app.add_option("--chip", chip, "the chip the v1.1E external and v1.1D detections assume")
      ->type_name("A16|A32")
      ->check(OneOf({"A16", "A32"}));
  app.add_option("--memory", memory, "their memory mode")->type_name("int|ext")->check(OneOf({"int", "ext"}));
  app.add_flag("--simulate", options.simulate, "run the emulated target in this process instead of a port")
      ->type_name("[=OPTIONS]");
  app.add_flag("-y,--yes", options.yes, "answer every question Yes or OK");
  app.add_flag("-q,--quiet", options.quiet, "print a board's output only if it failed; questions then need --yes");
  app.add_flag("-v,--verbose,--trace", options.trace, "print the trace of the link to stderr");
  const std::string windows = "1 to " + std::to_string(SerialPort::MaxEchoWindow);
  app.add_option_function<std::string>(
         "--echo-window", [&options](const std::string& text) { options.echoWindow = ParseEchoWindow(text); },
         "send up to N bytes ahead of their echoes")
      ->type_name("N")
      ->check(Taking(ParseEchoWindow, "takes " + windows));
  app.add_flag("-j,--json", options.json, "one JSON object per port instead of the text");
  app.add_option("--log", options.logPath, "append one JSON line per port to FILE")->type_name("FILE");
}

// A fixture's reset line, pulsed on every port of a gang, so that each resets its own board.
void AddResetOption(CLI::App& app, GlobalOptions& options) {
  app.add_option_function<std::string>(
         "--reset", [&options](const std::string& text) { options.reset = *ParseResetPulse(text); },
         "raise DTR or RTS for MS ms (100 unless given) as the port opens, then lower it; none unless the settings "
         "keep one")
      ->type_name("dtr|rts[:MS]")
      ->check(Taking(ParseResetPulse, "takes dtr, rts, dtr:MS or rts:MS with MS 1 to " +
                                          std::to_string(MaxResetPulse.count()) + ", or none"));
}

std::optional<std::uint32_t> FlashAddress(std::string_view text) {
  const bool hex = text.starts_with("0x") || text.starts_with("0X");
  const std::string_view digits = hex ? text.substr(2) : text;
  std::uint32_t address = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), address, hex ? 16 : 10);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || address > 0xFFFF) {
    return std::nullopt;
  }
  return address;
}

std::optional<std::uint64_t> Count(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

void AddSerialOptions(CLI::App& app, SerialOptions& serial) {
  CLI::Option* at = app.add_option_function<std::string>(
                           "--serial-at", [&serial](const std::string& text) { serial.at = FlashAddress(text); },
                           "put each board's own serial number into its image at ADDR")
                        ->type_name("ADDR")
                        ->check(Taking(FlashAddress, "takes a flash address from 0 to 0xFFFF"));
  CLI::Option* format =
      app.add_option_function<std::string>(
             "--serial-format", [&serial](const std::string& text) { serial.format = *ParseSerialFormat(text); },
             "the number as le16, le32, be32 or W decimal digits")
          ->type_name("le16|le32|be32|ascii:W")
          ->check(Taking(ParseSerialFormat,
                         "takes le16, le32, be32 or ascii:W with W 1 to " + std::to_string(MostAsciiDigits)));
  CLI::Option* file =
      app.add_option("--serial-file", serial.counterFile, "the file that holds the next number, shared by every run")
          ->type_name("FILE");
  CLI::Option* start = app.add_option_function<std::string>(
                              "--serial-start", [&serial](const std::string& text) { serial.start = *Count(text); },
                              "the first number when FILE does not exist yet (1 unless given)")
                           ->type_name("N")
                           ->check(Taking(Count, "takes a number from 0 up"));
  at->needs(format)->needs(file);
  format->needs(at);
  file->needs(at);
  start->needs(at);
}

void AddCommandWords(CLI::App& command, const CommandEntry& entry, CommandArguments& arguments) {
  const CLI::Validator index = Taking(Decimal, "takes a number from 0 up");
  if ((entry.takes & (TakesInputFile | TakesOutputFile)) != 0) {
    const bool input = (entry.takes & TakesInputFile) != 0;
    command
        .add_option("FILE", arguments.file,
                    input ? "the image to read; - for stdin" : "the file to write; - for stdout")
        ->required();
  }
  if ((entry.takes & TakesInputFile) != 0) {
    command.add_option("--format", arguments.format, "hex or bin: how to read stdin, which has no file name")
        ->type_name("hex|bin")
        ->check(OneOf({"hex", "bin"}));
  }
  if ((entry.takes & TakesSaveFormat) != 0) {
    command.add_option("--format", arguments.format, "write a text dump or the bytes as they are")
        ->type_name("text|bin")
        ->check(OneOf({"text", "bin"}));
  }
  if ((entry.takes & TakesSector) != 0) {
    command.add_option("--sector", arguments.sector, "index into the dialog's starting-sector list")
        ->type_name("N")
        ->check(index);
  }
  if ((entry.takes & TakesRange) != 0) {
    command.add_option("--range", arguments.range, "index into the dialog's range list; 0 is All Sectors")
        ->type_name("R")
        ->check(index);
  }
  if ((entry.takes & TakesOption) != 0) {
    const int most = entry.options;
    command.add_option("OPTION", arguments.option, "1 to " + std::to_string(most))
        ->required()
        ->check(
            Taking([most](std::string_view text) { return Decimal(text).value_or(0) >= 1 && Decimal(text) <= most; },
                   "takes 1 to " + std::to_string(most)));
  }
}

// The command a problem belongs to, so that its own --help can be named.
std::string ChosenCommand(const CLI::App& app) {
  const auto chosen = app.get_subcommands();
  return chosen.empty() ? std::string() : chosen.front()->get_name();
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  GlobalOptions& options = line.options;
  CLI::App app(Description, "quillon-cli");
  app.fallthrough();
  app.footer(Footer);
  app.get_formatter()->column_width(34);
  std::string firmware = "v1.1e-int";
  std::string chip = "A32";
  std::string memory = "ext";
  bool version = false;
  AddGlobalOptions(app, options, firmware, chip, memory);
  AddResetOption(app, options);
  AddSerialOptions(app, options.serial);
  app.add_flag("--version", version, "print the version and exit");
  for (const CommandEntry& entry : Commands()) {
    CLI::App* command = app.add_subcommand(entry.name, entry.summary);
    command->footer(std::string("Example:\n  ") + entry.example +
                    "\nThe options of quillon-cli --help may stand before or after the command.");
    AddCommandWords(*command, entry, options.arguments);
    if ((entry.takes & TakesSettings) != 0) {
      AddSettingsOptions(*command, options.settings);
    }
    command->callback([&options, &entry] { options.command = entry.name; });
  }
  // CLI11 takes the words last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    line.text = app.help();
    return line;
  } catch (const CLI::ExtrasError&) {
    const std::string command = ChosenCommand(app);
    if (command.empty()) {
      throw UsageError("unknown command " + app.remaining().front());
    }
    std::string words;
    for (const std::string& word : app.remaining(true)) {
      words += " " + word;
    }
    throw UsageError("unexpected" + words, command);
  } catch (const CLI::ParseError& error) {
    throw UsageError(error.what(), ChosenCommand(app));
  }
  if (version) {
    line.text = std::string("quillon-cli ") + QUILLON_VERSION + "\n";
    return line;
  }
  if (options.command.empty()) {
    throw UsageError("no command given");
  }
  // A bare flag reads as "true", which is no option of the emulated target.
  if (options.simulate == "true") {
    options.simulate = "";
  }
  options.firmware = firmware == "v1.1e-ext" ? Firmware::V11EExt
                     : firmware == "v1.1d"   ? Firmware::V11D
                                             : Firmware::V11EInt;
  options.chipA16 = chip == "A16";
  options.memoryInternal = memory == "int";
  return line;
}

int ParseIndex(const std::string& text, const std::string& what) {
  const std::optional<int> value = Decimal(text);
  if (!value) {
    throw UsageError(what + " must be a number from 0 up, not \"" + text + "\"");
  }
  return *value;
}

std::optional<int> ComPortNumber(const std::string& port) {
  if (port.size() == 4 && port.rfind("COM", 0) == 0 && port[3] >= '1' && port[3] <= '4') {
    return port[3] - '0';
  }
  return std::nullopt;
}

}  // namespace quillon::cli
