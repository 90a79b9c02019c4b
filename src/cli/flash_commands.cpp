#include "cli/flash_commands.h"

#include "cli/cli_operator.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

void ReadCommand(CMainDlg& window, CliOperator& op, const CommandRequest& request) {
  op.SetPrintViews(true);
  window.RunRead(std::get<RangeRequest>(request));
}

void EraseCommand(CMainDlg& window, CliOperator&, const CommandRequest& request) {
  window.RunSectorErase(std::get<RangeRequest>(request));
}

void ChipEraseCommand(CMainDlg& window, CliOperator&, const CommandRequest&) { window.OnChipErase(); }

void LockCommand(CMainDlg& window, CliOperator&, const CommandRequest& request) {
  window.RunSetLock(std::get<OptionRequest>(request));
}

void RemapCommand(CMainDlg& window, CliOperator&, const CommandRequest& request) {
  window.RunMemoryRemap(std::get<OptionRequest>(request));
}

void RunCommand(CMainDlg& window, CliOperator&, const CommandRequest&) { window.OnExecuteUserCode(); }

}  // namespace quillon::cli
