#include "cli/image_commands.h"

#include <functional>

#include "cli/cli_operator.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/main_dlg.h"
#include "ui/save_dialog.h"

namespace quillon::cli {

namespace {

std::string NotListed(const std::string& name, int index, std::size_t entries) {
  return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
         std::to_string(entries - 1);
}

// The lists are built when the dialog opens, so only then can an index be judged; one
// that is not listed cancels the dialog and ends the command as a usage error.
template <typename Dialog>
void AnswerImageDialog(std::function<bool(Dialog&)>& hook, const CommandArguments& arguments, std::string& refusal) {
  hook = [&arguments, &refusal](Dialog& dialog) {
    dialog.SetFileName(*arguments.file);
    if (!dialog.SelectStart(arguments.sector)) {
      refusal = NotListed("--sector", arguments.sector, dialog.StartEntries().size());
    }
    return refusal.empty();
  };
}

void ThrowIfRefused(const std::string& refusal) {
  if (!refusal.empty()) {
    throw UsageError(refusal);
  }
}

// Runs the download with the dialog answered from the arguments.
template <typename Command>
void RunDownload(CliOperator& op, const CommandArguments& arguments, Command command) {
  std::string refusal;
  AnswerImageDialog(op.onDownload, arguments, refusal);
  command();
  op.onDownload = nullptr;
  ThrowIfRefused(refusal);
}

}  // namespace

void DownloadCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  RunDownload(op, arguments, [&] { window.OnDownload(); });
}

void DownloadRunCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  RunDownload(op, arguments, [&] { window.OnDownloadAndRun(); });
}

void CompareCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  std::string refusal;
  AnswerImageDialog(op.onCompare, arguments, refusal);
  window.OnCompare();
  op.onCompare = nullptr;
  ThrowIfRefused(refusal);
  // The status line as the window showed it, where the messages go.
  if (const std::string& status = op.ShownChipInfo().IapStatus; !status.empty()) {
    op.PrintLine(status);
  }
}

void SaveCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  std::string refusal;
  op.onSave = [&](CSaveDlg& dialog) {
    dialog.SetFileName(*arguments.file);
    if (arguments.format) {
      dialog.Click(*arguments.format == "bin" ? CSaveDlg::IdBinaryFile : CSaveDlg::IdTextFile);
    }
    if (!dialog.SelectStart(arguments.sector)) {
      refusal = NotListed("--sector", arguments.sector, dialog.StartEntries().size());
    } else if (!dialog.SelectRange(arguments.range)) {
      refusal = NotListed("--range", arguments.range, dialog.RangeEntries().size());
    }
    return refusal.empty();
  };
  window.OnFileSave();
  op.onSave = nullptr;
  ThrowIfRefused(refusal);
}

}  // namespace quillon::cli
