#include "sim/command_line.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace quillon::sim {

namespace {

enum class ValueKind { None, Byte, Count, Millis };

long Parse(std::string_view name, std::string_view text, ValueKind kind) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    base = 16;
  }
  long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  const long highest = kind == ValueKind::Byte ? 0xFF : 100'000'000;
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() || value < 0 || value > highest) {
    throw UsageError(std::string(name) + ": bad value '" + std::string(text) + "'");
  }
  return value;
}

std::uint8_t ParseByte(std::string_view name, std::string_view text) {
  return static_cast<std::uint8_t>(Parse(name, text, ValueKind::Byte));
}

std::chrono::milliseconds ParseMillis(std::string_view name, std::string_view text) {
  return std::chrono::milliseconds(Parse(name, text, ValueKind::Millis));
}

// A period of 0 would have the target prompt back to back.
std::chrono::milliseconds ParsePeriod(std::string_view name, std::string_view text) {
  const std::chrono::milliseconds period = ParseMillis(name, text);
  if (period.count() == 0) throw UsageError(std::string(name) + ": must be at least 1");
  return period;
}

// An FTDI chip keeps its latency timer in one byte of milliseconds.
std::chrono::milliseconds ParseLatency(std::string_view name, std::string_view text) {
  return std::chrono::milliseconds(ParseByte(name, text));
}

struct FaultOption {
  std::string_view name;
  ValueKind kind;
  void (*set)(Faults&, long);
};

constexpr FaultOption kFaultOptions[] = {
    {"no-echo", ValueKind::None, [](Faults& f, long) { f.noEcho = true; }},
    {"wrong-echo", ValueKind::None, [](Faults& f, long) { f.wrongEcho = true; }},
    {"erase-status", ValueKind::Byte, [](Faults& f, long v) { f.eraseStatus = static_cast<int>(v); }},
    {"write-status", ValueKind::Byte, [](Faults& f, long v) { f.writeStatus = static_cast<int>(v); }},
    {"chip-erase-status", ValueKind::Byte, [](Faults& f, long v) { f.chipEraseStatus = static_cast<int>(v); }},
    {"drop-reply", ValueKind::Count, [](Faults& f, long v) { f.dropReplyByte = static_cast<int>(v); }},
    {"extra-byte", ValueKind::Count, [](Faults& f, long v) { f.extraByteAfterReply = static_cast<int>(v); }},
    {"extra-byte-value", ValueKind::Byte, [](Faults& f, long v) { f.extraByteValue = static_cast<int>(v); }},
    {"ready-stops", ValueKind::Count, [](Faults& f, long v) { f.readyStopsAfter = static_cast<int>(v); }},
    {"reply-delay", ValueKind::Millis, [](Faults& f, long v) { f.replyDelay = std::chrono::milliseconds(v); }},
    {"silence-after", ValueKind::Count, [](Faults& f, long v) { f.silenceAfter = static_cast<int>(v); }},
    {"reset-after", ValueKind::Count, [](Faults& f, long v) { f.resetAfter = static_cast<int>(v); }},
    {"hangup-after", ValueKind::Count, [](Faults& f, long v) { f.hangUpAfter = static_cast<int>(v); }},
    {"at-command", ValueKind::None, [](Faults& f, long) { f.atCommand = true; }},
    {"chip-erase-time", ValueKind::Millis, [](Faults& f, long v) { f.chipEraseTime = std::chrono::milliseconds(v); }},
};

void ApplyFault(std::string_view item, Faults& faults) {
  const std::size_t equals = item.find('=');
  const std::string_view name = item.substr(0, equals);
  const std::optional<std::string_view> value =
      equals == std::string_view::npos ? std::nullopt : std::optional(item.substr(equals + 1));
  for (const FaultOption& option : kFaultOptions) {
    if (option.name != name) continue;
    if ((option.kind == ValueKind::None) != !value) {
      throw UsageError("--fault " + std::string(name) +
                       (value ? " takes no value" : " needs a value: " + std::string(name) + "=VALUE"));
    }
    option.set(faults, value ? Parse(name, *value, option.kind) : 0);
    return;
  }
  throw UsageError("unknown fault '" + std::string(name) + "'");
}

Firmware ParseFirmware(std::string_view text) {
  if (text == "v1.1d") return Firmware::V11D;
  if (text == "v1.1e-ext") return Firmware::V11EExt;
  if (text == "v1.1e-int") return Firmware::V11EInt;
  throw UsageError("--firmware: expected v1.1d, v1.1e-ext or v1.1e-int, not '" + std::string(text) + "'");
}

Chip ParseChip(std::string_view text) {
  if (text == "A16") return Chip::A16;
  if (text == "A32") return Chip::A32;
  throw UsageError("--chip: expected A16 or A32, not '" + std::string(text) + "'");
}

void Apply(std::string_view option, std::string_view value, Config& config) {
  if (option == "--firmware")
    config.firmware = ParseFirmware(value);
  else if (option == "--chip")
    config.chip = ParseChip(value);
  else if (option == "--status")
    config.status = ParseByte(option, value);
  else if (option == "--chip-id")
    config.chipId = ParseByte(option, value);
  else if (option == "--firmware-major")
    config.firmwareMajor = ParseByte(option, value);
  else if (option == "--firmware-letter")
    config.firmwareLetter = ParseByte(option, value);
  else if (option == "--baud")
    config.baud = static_cast<unsigned>(Parse(option, value, ValueKind::Count));
  else if (option == "--latency")
    config.latency = ParseLatency(option, value);
  else if (option == "--log")
    config.logPath = value;
  else if (option == "--image")
    config.imagePath = value;
  else if (option == "--fault")
    ApplyFault(value, config.faults);
  else if (option == "--program-time")
    config.programTime = ParseMillis(option, value);
  else if (option == "--erase-time")
    config.eraseTime = ParseMillis(option, value);
  else if (option == "--ready-repeat")
    config.readyRepeat = ParsePeriod(option, value);
  else
    throw UsageError("unknown option '" + std::string(option) + "'");
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      continue;
    }
    if (arg == "--version") {
      line.version = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    if (!arg.starts_with("--")) throw UsageError("unexpected argument '" + std::string(arg) + "'");
    if (equals != std::string_view::npos) {
      Apply(arg.substr(0, equals), arg.substr(equals + 1), line.config);
    } else if (i + 1 < args.size()) {
      Apply(arg, args[++i], line.config);
    } else {
      throw UsageError(std::string(arg) + " needs a value");
    }
  }
  return line;
}

std::string Usage() { return "Usage: quillon-sim [OPTION]...\n"; }

std::string Help() {
  return Usage() +
         "Creates a pseudo-terminal, prints its slave path as the first line and serves it as the\n"
         "boot loader of a QRV71A16 or QRV71A32 until SIGINT or SIGTERM; SIGUSR1 resets the target.\n"
         "An option's value follows it as the next word or after '='; a BYTE is decimal or 0x hex.\n"
         "\n"
         "Options:\n"
         "  --firmware NAME          the boot loader's dialect: v1.1e-int (the default), v1.1e-ext\n"
         "                           or v1.1d\n"
         "  --chip A16|A32           the chip and its flash geometry (default A32)\n"
         "  --status BYTE            the status byte the detection reads: the security bits SB1,\n"
         "                           SB2, SB3 in bits 7, 6, 5, the remap bits RB0, RB1 in bits 0, 1\n"
         "                           (default 0x00: unlocked, no remap)\n"
         "  --chip-id BYTE           the chip id the detection reads (default 0xE4 for the A16,\n"
         "                           0xE2 for the A32)\n"
         "  --firmware-major BYTE    the firmware's major version byte (default 0x11)\n"
         "  --firmware-letter BYTE   the firmware's version letter (default 0x45, \"E\")\n"
         "  --image FILE             the flash holds FILE's bytes from address 0x0000 on, instead\n"
         "                           of being erased\n"
         "  --log FILE               write every byte on the line to FILE, one a line\n"
         "  --baud N                 pace the line at N baud, 10 bit times a byte each way\n"
         "                           (0 or absent: unpaced)\n"
         "  --latency MS             put a USB-serial adapter of the FTDI kind in the way, its\n"
         "                           latency timer MS, 1 to 255 (0 or absent: no adapter)\n"
         "  --program-time MS        how long each write command takes (default 0)\n"
         "  --erase-time MS          how long each sector takes to erase (default 0)\n"
         "  --ready-repeat MS        internal mode: how long an unanswered ready byte waits before\n"
         "                           it is sent again (default 500)\n"
         "  --fault NAME[=VALUE]     misbehave as NAME says (below); again for more faults\n"
         "  -h, --help               print this help and exit\n"
         "  --version                print the version and exit\n"
         "\n"
         "Faults:\n"
         "  no-echo                  direct dialects: no echo at all\n"
         "  wrong-echo               direct dialects: every echo with all its bits flipped\n"
         "  erase-status=BYTE        the status a sector erase answers (default 0xC0: done)\n"
         "  write-status=BYTE        the status a write answers (default 0xC0: done)\n"
         "  chip-erase-status=BYTE   the status a chip erase answers (default 0xC0: done)\n"
         "  chip-erase-time=MS       how long a chip erase takes\n"
         "  drop-reply=N             reply byte N, counted from 0, is never sent\n"
         "  extra-byte=N             a byte the host did not ask for follows reply byte N\n"
         "  extra-byte-value=BYTE    that byte (default 0x00)\n"
         "  ready-stops=N            internal mode: no more ready bytes after the first N\n"
         "  reply-delay=MS           a pause before the first byte of every reply\n"
         "  silence-after=N          nothing more is sent after the first N bytes\n"
         "  reset-after=N            the target resets at the Nth byte it receives, which is lost\n"
         "  hangup-after=N           the target closes its end of the line at the Nth byte it\n"
         "                           receives\n"
         "  at-command               the counts start at the host's first command byte and leave\n"
         "                           the queued link's idle bytes out\n";
}

}  // namespace quillon::sim
