#pragma once

#include "cli/command_request.h"

namespace quillon {
class CMainDlg;
}

namespace quillon::cli {

class CliOperator;

// The image commands of quillon-cli, run on a detected window with the request their
// arguments made, its image read and checked already. A download that succeeded prints
// the IAP Status line that sums it up.
//
//   download FILE [--sector N]       N indexes the dialog's own starting-sector list
//   download-run FILE [--sector N]   and then starts the user code
//   compare FILE [--sector N]        prints the IAP Status line; 1 for any difference
//   save FILE [--sector N] [--range R] [--format text|bin]
void DownloadCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void DownloadRunCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void CompareCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);
void SaveCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request);

}  // namespace quillon::cli
