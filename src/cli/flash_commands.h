#pragma once

#include <string>
#include <vector>

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// The flash commands of quillon-cli, run on a detected window. Each answers its dialog
// from its arguments as an operator would click, runs the window's command and returns 0;
// what went wrong shows in the operator's messages. An argument the dialog cannot take
// is a UsageError.
//
//   read  [--sector N] [--range R]   N, R index the range dialog's own lists
//   erase [--sector N] [--range R]
//   chip-erase
//   lock OPTION                      1 to 5
//   remap OPTION                     1 to 3
//   run
void ReadCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
void EraseCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
void ChipEraseCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
void LockCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
void RemapCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);
void RunCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments);

}  // namespace quillon::cli
