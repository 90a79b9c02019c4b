#include "ui/qt/start_options.h"

#include "sim/command_line.h"
#include "sim/emulator.h"
#include "sim/option_list.h"

namespace quillon::gui {

StartOptions ParseStartOptions(const std::vector<std::string>& args) {
  StartOptions options;
  for (auto arg = args.begin(); arg != args.end(); ++arg) {
    if (*arg == "--log") {
      if (++arg == args.end()) {
        throw UsageError("--log needs a file");
      }
      options.log = *arg;
    } else if (arg->starts_with("--log=")) {
      options.log = arg->substr(std::string_view("--log=").size());
    } else if (*arg == "--simulate") {
      options.simulate = "";
    } else if (arg->starts_with("--simulate=")) {
      options.simulate = arg->substr(std::string_view("--simulate=").size());
    } else if (*arg == "--trace") {
      options.trace = true;
    } else {
      throw UsageError("unknown option " + *arg);
    }
  }
  return options;
}

std::string StartUsage() {
  return "Usage: quillon [--simulate[=OPTIONS]] [--log FILE] [--trace] [--help] [--version]\n"
         "In-Application Programming of the QRV71A16 and QRV71A32 through their boot-strap\n"
         "loader, from a desktop window.\n\n"
         "  --simulate[=OPTIONS]  work with an emulated target; OPTIONS are quillon-sim's\n"
         "                        options without dashes, separated by commas\n"
         "                        (firmware=v1.1d,chip=A16,baud=9600)\n"
         "  --log FILE            append a JSON line for each command run on a board to\n"
         "                        FILE, as quillon-cli --log does\n"
         "  --trace               print the diagnostic traces on stderr\n"
         "  -h, --help            show this help and end\n"
         "  -V, --version         show the version and end\n";
}

std::string VersionText() { return "quillon " QUILLON_VERSION "\n"; }

std::unique_ptr<sim::Emulator> StartSimulatedTarget(const std::string& options) {
  sim::CommandLine line;
  try {
    line = sim::ParseCommandLine(sim::OptionListArguments(options));
  } catch (const sim::UsageError& error) {
    throw UsageError(std::string("--simulate: ") + error.what());
  }
  auto emulator = std::make_unique<sim::Emulator>(line.config);
  emulator->Start();
  return emulator;
}

}  // namespace quillon::gui
