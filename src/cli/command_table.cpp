#include "cli/command_table.h"

#include <array>
#include <iostream>

#include "cli/cli_operator.h"
#include "cli/flash_commands.h"
#include "cli/image_commands.h"
#include "cli/settings_commands.h"
#include "ui/command_ids.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

namespace {

void RequireNoArguments(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    throw UsageError("unexpected argument " + arguments.front());
  }
}

}  // namespace

// The detection has run and printed its report already.
void DetectCommand(CMainDlg&, CliOperator&, std::vector<std::string>& arguments) { RequireNoArguments(arguments); }

namespace {


int SettingsCommand(const GlobalOptions& options, const AppPaths& paths) {
  return RunSettingsCommand(options.arguments, paths, std::cout, std::cerr);
}

int PortsCommand(const GlobalOptions& options, const AppPaths& paths) {
  RequireNoArguments(options.arguments);
  return RunPortsCommand(paths, std::cout);
}

constexpr std::array Commands = {
    CommandEntry{"detect", DetectCommand, nullptr},
    CommandEntry{"download", DownloadCommand, nullptr, IdDownload, true},
    CommandEntry{"download-run", DownloadRunCommand, nullptr, IdDownloadAndRun, true},
    CommandEntry{"compare", CompareCommand, nullptr, IdCompare, true},
    CommandEntry{"save", SaveCommand, nullptr, IdFileSave},
    CommandEntry{"read", ReadCommand, nullptr, IdRead},
    CommandEntry{"erase", EraseCommand, nullptr, IdSectorErase},
    CommandEntry{"chip-erase", ChipEraseCommand, nullptr, IdChipErase},
    CommandEntry{"lock", LockCommand, nullptr, IdSetLock},
    CommandEntry{"remap", RemapCommand, nullptr, IdMemoryRemap},
    CommandEntry{"run", RunCommand, nullptr, IdExecuteUserCode},
    CommandEntry{"settings", nullptr, SettingsCommand},
    CommandEntry{"ports", nullptr, PortsCommand},
};

}  // namespace

std::optional<std::string> InputFileOf(const CommandEntry& entry, std::vector<std::string> arguments) {
  if (!entry.readsFile) {
    return std::nullopt;
  }
  TakeOption(arguments, "--sector");
  if (arguments.empty()) {
    return std::nullopt;
  }
  return arguments.front();
}

int ExitStatusOf(Outcome outcome) {
  return outcome == Outcome::Done || outcome == Outcome::Warning ? ExitOk : ExitFailed;
}

Outcome RunWindowCommand(WindowCommand command, CMainDlg& window, CliOperator& op,
                         std::vector<std::string>& arguments) {
  command(window, op, arguments);
  const Outcome outcome = window.LastOutcome();
  window.OnTimer();
  return Graver(outcome, window.LastOutcome());
}

const CommandEntry* FindCommand(const std::string& name) {
  for (const auto& entry : Commands) {
    if (name == entry.name) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace quillon::cli
