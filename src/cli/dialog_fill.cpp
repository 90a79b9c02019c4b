#include "cli/dialog_fill.h"

#include "ui/compare_dialog.h"
#include "ui/dialog_answers.h"
#include "ui/download_dialog.h"
#include "ui/lock_dialog.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"
#include "ui/save_dialog.h"

namespace quillon::cli {

namespace {

std::string NotListed(const std::string& name, int index, std::size_t entries) {
  return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
         std::to_string(entries - 1);
}

template <typename Dialog>
bool FillStart(Dialog& dialog, const CommandArguments& arguments, std::string& refusal) {
  if (!dialog.SelectStart(arguments.sector)) {
    refusal = NotListed("--sector", arguments.sector, dialog.StartEntries().size());
  }
  return refusal.empty();
}

template <typename Dialog>
bool FillStartAndRange(Dialog& dialog, const CommandArguments& arguments, std::string& refusal) {
  if (FillStart(dialog, arguments, refusal) && !dialog.SelectRange(arguments.range)) {
    refusal = NotListed("--range", arguments.range, dialog.RangeEntries().size());
  }
  return refusal.empty();
}

template <typename Dialog>
bool FillFile(Dialog& dialog, const CommandArguments& arguments, std::string& refusal) {
  dialog.SetFileName(arguments.file.value_or(""));
  return FillStart(dialog, arguments, refusal);
}

template <typename Dialog>
bool FillOption(Dialog& dialog, const CommandArguments& arguments) {
  for (const auto& choice : dialog.Choices()) {
    if (choice.option == arguments.option) {
      dialog.Click(choice.controlId);
    }
  }
  return true;
}

}  // namespace

void FillDialogs(DialogAnswers& answers, const CommandArguments& arguments, std::string& refusal) {
  const CommandArguments* given = &arguments;
  std::string* refused = &refusal;
  answers.onRange = [=](CRangeDlg& dialog) { return FillStartAndRange(dialog, *given, *refused); };
  answers.onDownload = [=](CDownloadDlg& dialog) { return FillFile(dialog, *given, *refused); };
  answers.onCompare = [=](CCompareDlg& dialog) { return FillFile(dialog, *given, *refused); };
  answers.onSave = [=](CSaveDlg& dialog) {
    dialog.SetFileName(given->file.value_or(""));
    if (given->format) {
      dialog.Click(*given->format == "bin" ? CSaveDlg::IdBinaryFile : CSaveDlg::IdTextFile);
    }
    return FillStartAndRange(dialog, *given, *refused);
  };
  answers.onLock = [=](CLockDlg& dialog) { return FillOption(dialog, *given); };
  answers.onRemap = [=](CRemapDlg& dialog) { return FillOption(dialog, *given); };
}

void ClearDialogs(DialogAnswers& answers) {
  answers.onRange = nullptr;
  answers.onDownload = nullptr;
  answers.onCompare = nullptr;
  answers.onSave = nullptr;
  answers.onLock = nullptr;
  answers.onRemap = nullptr;
}

}  // namespace quillon::cli
