#include "cli/flash_commands.h"

#include <functional>

#include "cli/cli_operator.h"
#include "ui/lock_dialog.h"
#include "ui/main_dlg.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"

namespace quillon::cli {

namespace {

std::string NotListed(const std::string& name, int index, std::size_t entries) {
  return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
         std::to_string(entries - 1);
}

// The lists are built when the dialog opens, so only then can an index be judged; one
// that is not listed cancels the dialog and ends the command as a usage error.
void RunRangeCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments,
                     void (CMainDlg::*command)()) {
  std::string refusal;
  op.onRange = [&](CRangeDlg& dialog) {
    if (!dialog.SelectStart(arguments.sector)) {
      refusal = NotListed("--sector", arguments.sector, dialog.StartEntries().size());
    } else if (!dialog.SelectRange(arguments.range)) {
      refusal = NotListed("--range", arguments.range, dialog.RangeEntries().size());
    }
    return refusal.empty();
  };
  (window.*command)();
  op.onRange = nullptr;
  if (!refusal.empty()) {
    throw UsageError(refusal);
  }
}

template <typename Dialog>
void RunOptionCommand(CMainDlg& window, const CommandArguments& arguments, std::function<bool(Dialog&)>& answer,
                      void (CMainDlg::*command)()) {
  answer = [option = arguments.option](Dialog& dialog) {
    for (const auto& choice : dialog.Choices()) {
      if (choice.option == option) {
        dialog.Click(choice.controlId);
      }
    }
    return true;
  };
  (window.*command)();
  answer = nullptr;
}

}  // namespace

void ReadCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  op.SetPrintViews(true);
  RunRangeCommand(window, op, arguments, &CMainDlg::OnRead);
}

void EraseCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  RunRangeCommand(window, op, arguments, &CMainDlg::OnSectorErase);
}

void ChipEraseCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnChipErase(); }

void LockCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  RunOptionCommand(window, arguments, op.onLock, &CMainDlg::OnSetLock);
}

void RemapCommand(CMainDlg& window, CliOperator& op, const CommandArguments& arguments) {
  RunOptionCommand(window, arguments, op.onRemap, &CMainDlg::OnMemoryRemap);
}

void RunCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnExecuteUserCode(); }

}  // namespace quillon::cli
