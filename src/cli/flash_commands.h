#pragma once

#include "cli/command_request.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// The flash commands of quillon-cli, run on a detected window with the request their
// arguments made, checked already; what went wrong shows in the operator's messages.
//
//   read  [--sector N] [--range R]   N, R index the range dialog's own lists
//   erase [--sector N] [--range R]
//   chip-erase
//   lock OPTION                      1 to 5
//   remap OPTION                     1 to 3
//   run
void ReadCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void EraseCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void ChipEraseCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void LockCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void RemapCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void RunCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);

}  // namespace quillon::cli
