#include "cli/command_table.h"

#include <array>
#include <iostream>

#include "cli/cli_operator.h"
#include "cli/flash_commands.h"
#include "cli/image_commands.h"
#include "cli/settings_commands.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

namespace {

int RequireNoArguments(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    throw UsageError("unexpected argument " + arguments.front());
  }
  return 0;
}

int DetectCommand(CMainDlg&, CliOperator& op, std::vector<std::string>& arguments) {
  RequireNoArguments(arguments);
  op.PrintChipInfo();
  return 0;
}

int SettingsCommand(const GlobalOptions& options, const AppPaths& paths) {
  return RunSettingsCommand(options.arguments, paths, std::cout, std::cerr);
}

int PortsCommand(const GlobalOptions& options, const AppPaths& paths) {
  RequireNoArguments(options.arguments);
  return RunPortsCommand(paths, std::cout);
}

constexpr std::array Commands = {
    CommandEntry{"detect", DetectCommand, nullptr},
    CommandEntry{"download", DownloadCommand, nullptr},
    CommandEntry{"download-run", DownloadRunCommand, nullptr},
    CommandEntry{"compare", CompareCommand, nullptr},
    CommandEntry{"save", SaveCommand, nullptr},
    CommandEntry{"read", ReadCommand, nullptr},
    CommandEntry{"erase", EraseCommand, nullptr},
    CommandEntry{"chip-erase", ChipEraseCommand, nullptr},
    CommandEntry{"lock", LockCommand, nullptr},
    CommandEntry{"remap", RemapCommand, nullptr},
    CommandEntry{"run", RunCommand, nullptr},
    CommandEntry{"settings", nullptr, SettingsCommand},
    CommandEntry{"ports", nullptr, PortsCommand},
};

}  // namespace

const CommandEntry* FindCommand(const std::string& name) {
  for (const auto& entry : Commands) {
    if (name == entry.name) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace quillon::cli
