#include "cli/image_commands.h"

#include "cli/cli_operator.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

void DownloadCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnDownload(); }

void DownloadRunCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnDownloadAndRun(); }

void CompareCommand(CMainDlg& window, CliOperator& op, const CommandArguments&) {
  window.OnCompare();
  // The status line as the window showed it, where the messages go.
  if (const std::string& status = op.ShownChipInfo().IapStatus;
      !status.empty() && window.LastOutcome() != Outcome::Declined) {
    op.PrintLine(status);
  }
}

void SaveCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnFileSave(); }

}  // namespace quillon::cli
