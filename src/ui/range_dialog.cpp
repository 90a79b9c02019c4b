#include "ui/range_dialog.h"

#include "operator/messages.h"
#include "protocol/target_chip.h"
#include "transport/link_state.h"
#include "ui/operator.h"

namespace quillon {

CRangeDlg::CRangeDlg(const CTargetChip& chip, const LinkState& link, OperatorMessages& messages)
    : chip_(chip), link_(link), messages_(messages) {}

bool CRangeDlg::DoModal(OperatorDialogs& dialogs) {
  ExchangeData();
  if (!dialogs.RunRangeDialog(*this)) {
    return false;
  }
  TakeSelections();
  ExchangeData();
  return true;
}

bool CRangeDlg::OffersBlock1(const CChipTypeDlg& chip, bool readAllBlocks) {
  return readAllBlocks || chip.GetMemoryType() == MemoryExternal;
}

void CRangeDlg::ExchangeData() {
  FillStartList();
  FillRangeList();
}

void CRangeDlg::FillStartList() {
  startList_.Fill(SectorListEntries(chip_, OffersBlock1(chip_, link_.ReadAllBlocks)), initialStart_);
}

void CRangeDlg::FillRangeList() {
  if (!chip_.CurrentBlockLegal()) {
    messages_.Inform(msg::IllegalBlockNumber);
    return;
  }
  rangeList_.Fill(RangeListEntries(chip_.SectorCount(chip_.GetCurrentBlock())), initialRange_);
}

}  // namespace quillon
