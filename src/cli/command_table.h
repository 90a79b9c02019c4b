#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/command_request.h"
#include "operator/outcome.h"
#include "settings/app_paths.h"
#include "ui/exit_status.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// A command runs the window's command with the request its arguments made, on a
// connected window; a standalone command needs no target at all and returns its
// exit status itself.
using WindowCommand = void (*)(CMainDlg& window, CliOperator& op, const CommandRequest& request);

// The words a command takes after its name.
enum Takes : unsigned {
  TakesNothing = 0,
  TakesInputFile = 1U << 0,   // FILE, read: download, compare
  TakesOutputFile = 1U << 1,  // FILE, written: save
  TakesSector = 1U << 2,      // --sector N
  TakesRange = 1U << 3,       // --range R
  TakesSaveFormat = 1U << 4,  // --format text|bin
  TakesOption = 1U << 5,      // OPTION, 1 to options
  TakesSettings = 1U << 6,    // the settings command's own options
};

struct CommandEntry {
  const char* name;
  const char* summary;
  const char* example;
  WindowCommand run;
  int (*standalone)(const GlobalOptions& options, const AppPaths& paths);
  // The window's command it stands for, which a detection may disable; 0 for none.
  int windowCommand = 0;
  unsigned takes = TakesNothing;
  int options = 0;
};

const std::vector<CommandEntry>& Commands();
const CommandEntry* FindCommand(const std::string& name);

// Prints what the detection that runs before every command found.
void DetectCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);

// Runs the command, then the timer tick that follows it, which reports a link the command
// lost; the graver of the two outcomes.
Outcome RunWindowCommand(WindowCommand command, CMainDlg& window, CliOperator& op, const CommandRequest& request);

}  // namespace quillon::cli
