#include "ui/save_dialog.h"

#include "protocol/target_chip.h"
#include "ui/operator.h"

namespace quillon {

bool CSaveDlg::DoModal(OperatorDialogs& dialogs) {
  ExchangeData();
  if (!dialogs.RunSaveDialog(*this)) {
    return false;
  }
  TakeSelections();
  ExchangeData();
  return true;
}

void CSaveDlg::Click(int controlId) {
  if (controlId == IdBinaryFile || controlId == IdTextFile) {
    checked_ = controlId;
    textFormat_ = controlId == IdTextFile ? 1 : 0;
  }
}

void CSaveDlg::ExchangeData() {
  if (!fill_) {
    return;
  }
  fill_ = false;
  // Block 1 is offered whatever the memory mode; where the target cannot reach it, the
  // read comes back short and the save says it failed.
  startList_.Fill(SectorListEntries(chip_, true), 0);
  rangeList_.Fill(RangeListEntries(chip_.ListedSectorCount(0)), 0);
}

}  // namespace quillon
