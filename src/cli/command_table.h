#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "operator/outcome.h"
#include "settings/app_paths.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// A command answers the window's dialogs from its arguments and runs the window's command
// on a connected window; a standalone command needs no target at all and returns its
// exit status itself.
using WindowCommand = void (*)(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);

struct CommandEntry {
  const char* name;
  WindowCommand run;
  int (*standalone)(const GlobalOptions& options, const AppPaths& paths);
  // The window's command it stands for, which a detection may disable; 0 for none.
  int windowCommand = 0;
  // Its first argument names a file it reads.
  bool readsFile = false;
};

// The file a command that reads one was given, before anything else looks at its arguments.
std::optional<std::string> InputFileOf(const CommandEntry& entry, std::vector<std::string> arguments);

const CommandEntry* FindCommand(const std::string& name);

// Prints what the detection that runs before every command found.
void DetectCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);

inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

int ExitStatusOf(Outcome outcome);

// Runs the command, then the timer tick that follows it, which reports a link the command
// lost; the graver of the two outcomes.
Outcome RunWindowCommand(WindowCommand command, CMainDlg& window, CliOperator& op,
                         std::vector<std::string>& arguments);

}  // namespace quillon::cli
