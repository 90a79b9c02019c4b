#pragma once

#include "cli/cli_options.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// The flash commands of quillon-cli, run on a detected window. Each answers its dialog
// from its arguments as an operator would click and runs the window's command; what went
// wrong shows in the operator's messages. An index the dialog's list does not have is a
// UsageError.
//
//   read  [--sector N] [--range R]   N, R index the range dialog's own lists
//   erase [--sector N] [--range R]
//   chip-erase
//   lock OPTION                      1 to 5
//   remap OPTION                     1 to 3
//   run
void ReadCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void EraseCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void ChipEraseCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void LockCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void RemapCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void RunCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);

}  // namespace quillon::cli
