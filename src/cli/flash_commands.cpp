#include "cli/flash_commands.h"

#include "cli/cli_operator.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

void ReadCommand(CMainDlg& window, CliOperator& op, const CommandArguments&) {
  op.SetPrintViews(true);
  window.OnRead();
}

void EraseCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnSectorErase(); }

void ChipEraseCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnChipErase(); }

void LockCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnSetLock(); }

void RemapCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnMemoryRemap(); }

void RunCommand(CMainDlg& window, CliOperator&, const CommandArguments&) { window.OnExecuteUserCode(); }

}  // namespace quillon::cli
