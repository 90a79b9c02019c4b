#include "cli/image_commands.h"

#include <functional>
#include <optional>

#include "cli/cli_operator.h"
#include "cli/cli_options.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/main_dlg.h"
#include "ui/save_dialog.h"

namespace quillon::cli {

namespace {

struct ImageArguments {
  std::string file;
  int sector = 0;
};

int TakeIndex(std::vector<std::string>& arguments, const std::string& name) {
  return ParseIndex(TakeOption(arguments, name).value_or("0"), name);
}

// The options first, so that what is left is the file alone.
ImageArguments TakeImageArguments(std::vector<std::string>& arguments) {
  ImageArguments taken;
  taken.sector = TakeIndex(arguments, "--sector");
  if (arguments.size() != 1 || arguments.front().empty() || arguments.front().starts_with("--")) {
    throw UsageError("one FILE expected");
  }
  taken.file = arguments.front();
  return taken;
}

std::string NotListed(const std::string& name, int index, std::size_t entries) {
  return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
         std::to_string(entries - 1);
}

// The lists are built when the dialog opens, so only then can an index be judged; one
// that is not listed cancels the dialog and ends the command as a usage error.
template <typename Dialog>
void AnswerImageDialog(std::function<bool(Dialog&)>& hook, const ImageArguments& taken, std::string& refusal) {
  hook = [&taken, &refusal](Dialog& dialog) {
    dialog.SetFileName(taken.file);
    if (!dialog.SelectStart(taken.sector)) {
      refusal = NotListed("--sector", taken.sector, dialog.StartEntries().size());
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
void RunDownload(CliOperator& op, std::vector<std::string>& arguments, Command command) {
  const ImageArguments taken = TakeImageArguments(arguments);
  std::string refusal;
  AnswerImageDialog(op.onDownload, taken, refusal);
  command();
  op.onDownload = nullptr;
  ThrowIfRefused(refusal);
}

}  // namespace

void DownloadCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  RunDownload(op, arguments, [&] { window.OnDownload(); });
}

void DownloadRunCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  RunDownload(op, arguments, [&] { window.OnDownloadAndRun(); });
}

void CompareCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  const ImageArguments taken = TakeImageArguments(arguments);
  std::string refusal;
  AnswerImageDialog(op.onCompare, taken, refusal);
  window.OnCompare();
  op.onCompare = nullptr;
  ThrowIfRefused(refusal);
  // The status line as the window showed it, where the messages go.
  if (const std::string& status = op.ShownChipInfo().IapStatus; !status.empty()) {
    op.PrintLine(status);
  }
}

void SaveCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  const int range = TakeIndex(arguments, "--range");
  const std::optional<std::string> format = TakeOption(arguments, "--format");
  if (format && *format != "text" && *format != "bin") {
    throw UsageError("--format is text or bin, not \"" + *format + "\"");
  }
  const ImageArguments taken = TakeImageArguments(arguments);
  std::string refusal;
  op.onSave = [&](CSaveDlg& dialog) {
    dialog.SetFileName(taken.file);
    if (format) {
      dialog.Click(*format == "bin" ? CSaveDlg::IdBinaryFile : CSaveDlg::IdTextFile);
    }
    if (!dialog.SelectStart(taken.sector)) {
      refusal = NotListed("--sector", taken.sector, dialog.StartEntries().size());
    } else if (!dialog.SelectRange(range)) {
      refusal = NotListed("--range", range, dialog.RangeEntries().size());
    }
    return refusal.empty();
  };
  window.OnFileSave();
  op.onSave = nullptr;
  ThrowIfRefused(refusal);
}

}  // namespace quillon::cli
