
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/command_table.h"
#include "cli/port_list.h"
#include "cli/port_runs.h"
#include "cli/run_preparation.h"
#include "cli/serial_numbering.h"
#include "cli/simulated_boards.h"
#include "cli/stop_signals.h"
#include "sim/command_line.h"
#include "sim/emulator.h"
#include "ui/results_log.h"

namespace quillon::cli {
namespace {

using Emulators = std::vector<std::unique_ptr<sim::Emulator>>;

// Every target is checked before the first is made, so that a bad option makes none.
Emulators MakeEmulators(const SimulatedBoards& boards) {
  std::vector<sim::Config> configs;
  for (const std::vector<std::string>& args : boards.arguments) {
    try {
      configs.push_back(sim::ParseCommandLine(args).config);
    } catch (const sim::UsageError& error) {
      throw UsageError(std::string("--simulate: ") + error.what());
    }
  }
  Emulators emulators;
  for (sim::Config& config : configs) {
    emulators.push_back(std::make_unique<sim::Emulator>(std::move(config)));
  }
  return emulators;
}

SimulatedBoards SimulatedBoardsOf(const GlobalOptions& options) {
  return ParseSimulatedBoards(*options.simulate, {"--firmware",
                                                  options.firmware == Firmware::V11EInt   ? "v1.1e-int"
                                                  : options.firmware == Firmware::V11EExt ? "v1.1e-ext"
                                                                                          : "v1.1d",
                                                  "--chip", options.chipA16 ? "A16" : "A32"});
}

// One line naming the problem, and where to read more.
int UsageFailure(const UsageError& error) {
  const std::string command = error.Command().empty() ? "" : error.Command() + " ";
  std::fprintf(stderr, "quillon-cli: %s\nsee quillon-cli %s--help\n", error.what(), command.c_str());
  return ExitUsage;
}

// The data a save writes to stdout is all that goes there, so one board's, and no JSON.
void RequireOneStdoutWriter(const RunPlan& plan, bool gang) {
  const auto* save = std::get_if<SaveRequest>(&plan.request);
  if (save != nullptr && save->descriptor && (gang || plan.options.json)) {
    throw UsageError(gang ? "a save to stdout takes one port" : "a save to stdout leaves no room for --json",
                     plan.entry.name);
  }
}

int Run(const std::vector<std::string>& args) {
  CommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const UsageError& error) {
    return UsageFailure(error);
  }
  if (line.text) {
    std::fputs(line.text->c_str(), stdout);
    return ExitOk;
  }
  const GlobalOptions& options = line.options;
  const CommandEntry* entry = FindCommand(options.command);
  const AppPaths paths = AppPaths::FromEnvironment();
  std::optional<SerialNumbering> serials;
  try {
    serials = SerialNumbering::Plan(options);
  } catch (const UsageError& error) {
    return UsageFailure(error);
  }
  if (entry->standalone) {
    return entry->standalone(options, paths);
  }
  RunPlan plan{options, *entry, paths, std::nullopt, std::nullopt, serials ? &*serials : nullptr, {}};
  try {
    if (!PrepareRun(plan, stderr)) {
      return ExitFailed;
    }
  } catch (const UsageError& error) {
    return UsageFailure(error);
  }

  // A board programmed with no record of it is what a log is for, so a log that cannot
  // be written stops the run before any board is touched.
  std::unique_ptr<ResultsLog> log;
  std::string failure;
  if (options.logPath && !(log = ResultsLog::Open(*options.logPath, failure))) {
    std::fprintf(stderr, "quillon-cli: cannot write to the log %s: %s\n", options.logPath->c_str(), failure.c_str());
    return ExitFailed;
  }

  Emulators emulators;
  std::vector<GangPort> ports;
  bool gang = false;
  try {
    if (options.simulate) {
      const SimulatedBoards boards = SimulatedBoardsOf(options);
      emulators = MakeEmulators(boards);
      gang = boards.gang;
      for (const auto& emulator : emulators) {
        ports.push_back({"", emulator.get()});
      }
      if (!gang) {
        ports.front().path = emulators.front()->Start();
      }
    } else {
      for (std::string& port : GatherPorts(options)) {
        ports.push_back({std::move(port)});
      }
      gang = ports.size() > 1 || !options.portPatterns.empty();
    }
    RequireOneStdoutWriter(plan, gang);
  } catch (const UsageError& error) {
    return UsageFailure(error);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-cli: cannot start the emulated target: %s\n", error.what());
    return ExitFailed;
  }
  InstallStopSignals();
  const int status =
      gang ? RunGang(plan, ports, log.get())
           : RunOnePort(plan, ports.empty() ? std::nullopt : std::optional(ports.front().path), log.get());
  const int signal = ReceivedStopSignal();
  return signal != 0 ? ExitStatusOfSignal(signal) : status;
}

}  // namespace
}  // namespace quillon::cli

int main(int argc, char** argv) {
  // A file size limit (ulimit -f) then fails the write that meets it, which is reported
  // and leaves the old file whole, instead of ending the program part-way with nothing said.
  std::signal(SIGXFSZ, SIG_IGN);
  return quillon::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
