#include "cli/image_commands.h"

#include "cli/cli_operator.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

namespace {

// The status line as the window showed it, where the messages go.
void PrintStatus(CMainDlg& window, CliOperator& op) {
  if (const std::string& status = op.ShownChipInfo().IapStatus;
      !status.empty() && window.LastOutcome() != Outcome::Declined) {
    op.PrintLine(status);
  }
}

}  // namespace

void DownloadCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request) {
  window.RunDownload(std::get<ImageRequest>(request));
  if (window.LastDownload()) {
    PrintStatus(window, op);
  }
}

void DownloadRunCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request) {
  window.RunDownloadAndRun(std::get<ImageRequest>(request));
  if (window.LastDownload()) {
    PrintStatus(window, op);
  }
}

void CompareCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request) {
  window.RunCompare(std::get<ImageRequest>(request));
  PrintStatus(window, op);
}

void SaveCommand(CMainDlg& window, CliOperator&, const CommandRequest& request) {
  window.RunFileSave(std::get<SaveRequest>(request));
}

}  // namespace quillon::cli
