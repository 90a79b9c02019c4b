#include "cli/command_table.h"

#include <iostream>

#include "cli/cli_operator.h"
#include "cli/flash_commands.h"
#include "cli/image_commands.h"
#include "cli/settings_commands.h"
#include "ui/command_ids.h"
#include "ui/lock_dialog.h"
#include "ui/main_dlg.h"
#include "ui/remap_dialog.h"

namespace quillon::cli {

// The detection has run and printed its report already.
void DetectCommand(CMainDlg&, CliOperator&, const CommandRequest&) {}

namespace {

int SettingsCommand(const GlobalOptions& options, const AppPaths& paths) {
  return RunSettingsCommand(options.settings, paths, std::cout, std::cerr);
}

int PortsCommand(const GlobalOptions&, const AppPaths& paths) { return RunPortsCommand(paths, std::cout); }

template <typename Dialog>
int ChoicesOf() {
  return static_cast<int>(Dialog().Choices().size());
}

}  // namespace

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {"detect", "detect the chip and show what it is", "quillon-cli detect --port /dev/ttyUSB0", DetectCommand,
       nullptr},
      {"download", "erase, write and verify a HEX or binary file", "quillon-cli download fw.hex -p /dev/ttyUSB0 -y",
       DownloadCommand, nullptr, IdDownload, TakesInputFile | TakesSector},
      {"download-run", "download, then start the user code", "quillon-cli download-run fw.hex -y", DownloadRunCommand,
       nullptr, IdDownloadAndRun, TakesInputFile | TakesSector},
      {"compare", "compare a file with the flash", "quillon-cli compare fw.hex --port /dev/ttyUSB0", CompareCommand,
       nullptr, IdCompare, TakesInputFile | TakesSector},
      {"save", "save flash contents to a file", "quillon-cli save flash.bin --range 1 --format bin", SaveCommand,
       nullptr, IdFileSave, TakesOutputFile | TakesSector | TakesRange | TakesSaveFormat},
      {"read", "print the sector table and the memory view", "quillon-cli read --sector 1 --range 2", ReadCommand,
       nullptr, IdRead, TakesSector | TakesRange},
      {"erase", "erase sectors", "quillon-cli erase --sector 0 --range 0 -y", EraseCommand, nullptr, IdSectorErase,
       TakesSector | TakesRange},
      {"chip-erase", "erase the whole chip", "quillon-cli chip-erase --firmware v1.1d -y", ChipEraseCommand, nullptr,
       IdChipErase},
      {"lock", "set the security lock", "quillon-cli lock 1 -y", LockCommand, nullptr, IdSetLock, TakesOption,
       ChoicesOf<CLockDlg>()},
      {"remap", "set the memory remap", "quillon-cli remap 2 -y", RemapCommand, nullptr, IdMemoryRemap, TakesOption,
       ChoicesOf<CRemapDlg>()},
      {"run", "start the user code", "quillon-cli run", RunCommand, nullptr, IdExecuteUserCode},
      {"settings", "show or store the default port and baud rate", "quillon-cli settings --port COM2 --baud 9600",
       nullptr, SettingsCommand, 0, TakesSettings},
      {"ports", "list the serial devices present", "quillon-cli ports", nullptr, PortsCommand},
  };
  return commands;
}

Outcome RunWindowCommand(WindowCommand command, CMainDlg& window, CliOperator& op, const CommandRequest& request) {
  command(window, op, request);
  const Outcome outcome = window.LastOutcome();
  window.OnTimer();
  return Graver(outcome, window.LastOutcome());
}

const CommandEntry* FindCommand(const std::string& name) {
  for (const auto& entry : Commands()) {
    if (name == entry.name) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace quillon::cli
