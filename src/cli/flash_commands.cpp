#include "cli/flash_commands.h"

#include <functional>

#include "cli/cli_operator.h"
#include "cli/cli_options.h"
#include "ui/lock_dialog.h"
#include "ui/main_dlg.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"

namespace quillon::cli {

namespace {

void RequireNothingElse(const std::vector<std::string>& arguments) {
  if (!arguments.empty()) {
    throw UsageError("unexpected argument " + arguments.front());
  }
}

int TakeIndex(std::vector<std::string>& arguments, const std::string& name) {
  return ParseIndex(TakeOption(arguments, name).value_or("0"), name);
}

std::string NotListed(const std::string& name, int index, std::size_t entries) {
  return name + " " + std::to_string(index) + " is not in the list, which has entries 0 to " +
         std::to_string(entries - 1);
}

// The lists are built when the dialog opens, so only then can an index be judged; one
// that is not listed cancels the dialog and ends the command as a usage error.
void RunRangeCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments,
                    void (CMainDlg::*command)()) {
  const int sector = TakeIndex(arguments, "--sector");
  const int range = TakeIndex(arguments, "--range");
  RequireNothingElse(arguments);
  std::string refusal;
  op.onRange = [&](CRangeDlg& dialog) {
    if (!dialog.SelectStart(sector)) {
      refusal = NotListed("--sector", sector, dialog.StartEntries().size());
    } else if (!dialog.SelectRange(range)) {
      refusal = NotListed("--range", range, dialog.RangeEntries().size());
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
void RunOptionCommand(CMainDlg& window, std::vector<std::string>& arguments,
                     std::function<bool(Dialog&)>& answer, void (CMainDlg::*command)()) {
  if (arguments.size() != 1) {
    throw UsageError("one OPTION expected");
  }
  const int option = ParseIndex(arguments.front(), "OPTION");
  const auto choices = Dialog().Choices();
  if (option < 1 || option > static_cast<int>(choices.size())) {
    throw UsageError("OPTION is 1 to " + std::to_string(choices.size()));
  }
  answer = [option](Dialog& dialog) {
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

void ReadCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  op.SetPrintViews(true);
  RunRangeCommand(window, op, arguments, &CMainDlg::OnRead);
}

void EraseCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  RunRangeCommand(window, op, arguments, &CMainDlg::OnSectorErase);
}

void ChipEraseCommand(CMainDlg& window, CliOperator&, std::vector<std::string>& arguments) {
  RequireNothingElse(arguments);
  window.OnChipErase();
}

void LockCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  RunOptionCommand(window, arguments, op.onLock, &CMainDlg::OnSetLock);
}

void RemapCommand(CMainDlg& window, CliOperator& op, std::vector<std::string>& arguments) {
  RunOptionCommand(window, arguments, op.onRemap, &CMainDlg::OnMemoryRemap);
}

void RunCommand(CMainDlg& window, CliOperator&, std::vector<std::string>& arguments) {
  RequireNothingElse(arguments);
  window.OnExecuteUserCode();
}

}  // namespace quillon::cli
