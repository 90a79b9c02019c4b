#pragma once

#include "cli/cli_options.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// The image commands of quillon-cli, run on a detected window. Each answers its dialog
// from its arguments as an operator would and runs the window's command. An index the
// dialog's list does not have is a UsageError.
//
//   download FILE [--sector N]       N indexes the dialog's own starting-sector list
//   download-run FILE [--sector N]   and then starts the user code
//   compare FILE [--sector N]        prints the IAP Status line; 1 for any difference
//   save FILE [--sector N] [--range R] [--format text|bin]
void DownloadCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void DownloadRunCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void CompareCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);
void SaveCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments);

}  // namespace quillon::cli
