#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_operator.h"
#include "cli/cli_options.h"
#include "cli/command_table.h"
#include "settings/device_binding.h"
#include "sim/command_line.h"
#include "sim/emulator.h"
#include "sim/option_list.h"
#include "ui/main_dlg.h"

namespace quillon::cli {
namespace {

std::unique_ptr<sim::Emulator> StartEmulator(const GlobalOptions& options) {
  std::vector<std::string> args = {"--firmware",
                                   options.firmware == Firmware::V11EInt   ? "v1.1e-int"
                                   : options.firmware == Firmware::V11EExt ? "v1.1e-ext"
                                                                           : "v1.1d",
                                   "--chip", options.chipA16 ? "A16" : "A32"};
  for (std::string& item : sim::OptionListArguments(*options.simulate)) {
    args.push_back(std::move(item));
  }
  sim::CommandLine line;
  try {
    line = sim::ParseCommandLine(args);
  } catch (const sim::UsageError& error) {
    throw UsageError(std::string("--simulate: ") + error.what());
  }
  auto emulator = std::make_unique<sim::Emulator>(line.config);
  emulator->Start();
  return emulator;
}

// The settings file has already chosen port and baud rate; the options override them.
void ApplyConnection(const GlobalOptions& options, const AppPaths& paths, CIapDevice& device,
                     const sim::Emulator* emulator) {
  if (emulator != nullptr) {
    device.SetDevicePath(emulator->SlavePath());
  } else if (options.port) {
    if (const auto number = ComPortNumber(*options.port)) {
      device.SetPortNumber(*number);
      ApplyDeviceBinding(ReadDeviceBindings(paths), device);
    } else {
      device.SetDevicePath(*options.port);
    }
  }
  if (options.baud) {
    device.SetBaudRate(*options.baud);
  }
  if (options.echoWindow) {
    device.SetEchoWindow(*options.echoWindow);
  }
}

// A file that cannot be read is found before a port is opened or a question asked.
void RequireReadableInput(const CommandEntry& entry, const std::vector<std::string>& arguments) {
  const auto file = InputFileOf(entry, arguments);
  if (file && ::access(file->c_str(), R_OK) != 0) {
    throw UsageError("cannot read " + *file + ": " + std::strerror(errno));
  }
}

void Detect(const GlobalOptions& options, CMainDlg& window, CliOperator& op) {
  op.onChipType = [&](CChipTypeDlg& dialog) {
    dialog.Click(options.chipA16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32);
    dialog.Click(options.memoryInternal ? CChipTypeDlg::IdInternalMemory : CChipTypeDlg::IdExternalMemory);
    return true;
  };
  switch (options.firmware) {
    case Firmware::V11EInt: window.OnAutoDetect(); break;
    case Firmware::V11EExt: window.OnExternalSelect(); break;
    case Firmware::V11D: window.OnChipTypeSelect(); break;
  }
}

int Run(const std::vector<std::string>& args) {
  GlobalOptions options;
  const CommandEntry* entry = nullptr;
  try {
    options = ParseGlobalOptions(args);
    if (options.help) {
      std::fputs(Usage().c_str(), stdout);
      return ExitOk;
    }
    if (options.version) {
      std::printf("quillon-cli %s\n", QUILLON_VERSION);
      return ExitOk;
    }
    entry = FindCommand(options.command);
    if (entry == nullptr) {
      throw UsageError("unknown command " + options.command);
    }
    RequireReadableInput(*entry, options.arguments);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quillon-cli: %s\n%s", error.what(), Usage().c_str());
    return ExitUsage;
  }
  const AppPaths paths = AppPaths::FromEnvironment();
  if (entry->standalone) {
    try {
      return entry->standalone(options, paths);
    } catch (const UsageError& error) {
      std::fprintf(stderr, "quillon-cli: %s\n", error.what());
      return ExitUsage;
    }
  }

  CliOperator op(options.yes, options.trace);
  std::unique_ptr<sim::Emulator> emulator;
  try {
    if (options.simulate) {
      emulator = StartEmulator(options);
    }
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quillon-cli: %s\n", error.what());
    return ExitUsage;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quillon-cli: cannot start the emulated target: %s\n", error.what());
    return ExitFailed;
  }

  CMainDlg window(op, paths);
  window.OnInitDialog();
  ApplyConnection(options, paths, window.TargetChip()->Device(), emulator.get());
  op.BeginDetectionReport();
  Detect(options, window, op);
  const Outcome detection = window.LastOutcome();
  window.OnTimer();
  op.EndDetectionReport(entry->run == DetectCommand);
  if (!window.TargetChip()->Device().IsOpen()) {
    op.PrintHeldTraces();
  }
  if (ExitStatusOf(Graver(detection, window.LastOutcome())) != ExitOk) {
    return ExitFailed;
  }
  if (entry->windowCommand != 0 && op.CommandDisabled(entry->windowCommand)) {
    std::fprintf(stderr, "quillon-cli: %s is not available on this chip (%s)\n", entry->name,
                 window.Info().Security.c_str());
    return ExitFailed;
  }
  try {
    return ExitStatusOf(RunWindowCommand(entry->run, window, op, options.arguments));
  } catch (const UsageError& error) {
    std::fprintf(stderr, "quillon-cli: %s\n", error.what());
    return ExitUsage;
  }
}

}  // namespace
}  // namespace quillon::cli

int main(int argc, char** argv) {
  // A file size limit (ulimit -f) then fails the write that meets it, which is reported
  // and leaves the old file whole, instead of ending the program part-way with nothing said.
  std::signal(SIGXFSZ, SIG_IGN);
  return quillon::cli::Run(std::vector<std::string>(argv + 1, argv + argc));
}
