#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "settings/app_paths.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// A command runs after the detection on a connected window and returns 0 when it did
// what was asked; a standalone command needs no target at all.
struct CommandEntry {
  const char* name;
  int (*run)(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
  int (*standalone)(const GlobalOptions& options, const AppPaths& paths);
  // The window's command it stands for, which a detection may disable; 0 for none.
  int windowCommand = 0;
  // Its first argument names a file it reads.
  bool readsFile = false;
};

// The file a command that reads one was given, before anything else looks at its arguments.
std::optional<std::string> InputFileOf(const CommandEntry& entry, std::vector<std::string> arguments);

const CommandEntry* FindCommand(const std::string& name);

}  // namespace quillon::cli
