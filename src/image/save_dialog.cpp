#include "image/save_dialog.h"

#include "image/sector_list.h"
#include "ui/operator.h"

namespace quillon {

namespace {

bool Select(int index, const std::vector<std::string>& entries, int& selection) {
  if (index < 0 || index >= static_cast<int>(entries.size())) {
    return false;
  }
  selection = index;
  return true;
}

int FirstOf(const std::vector<std::string>& entries) { return entries.empty() ? -1 : 0; }

}  // namespace

bool CSaveDlg::DoModal(OperatorDialogs& dialogs) {
  ExchangeData();
  if (!dialogs.RunSaveDialog(*this)) {
    return false;
  }
  chosenStart_ = startSelection_;
  chosenRange_ = rangeSelection_;
  ExchangeData();
  return true;
}

void CSaveDlg::Click(int controlId) {
  if (controlId == IdBinaryFile || controlId == IdTextFile) {
    checked_ = controlId;
    textFormat_ = controlId == IdTextFile ? 1 : 0;
  }
}

bool CSaveDlg::SelectStart(int index) { return Select(index, startEntries_, startSelection_); }

bool CSaveDlg::SelectRange(int index) { return Select(index, rangeEntries_, rangeSelection_); }

void CSaveDlg::ExchangeData() {
  if (!fill_) {
    return;
  }
  fill_ = false;
  // Block 1 is offered whatever the memory mode; where the target cannot reach it, the
  // read comes back short and the save says it failed.
  startEntries_ = SectorListEntries(chip_, true);
  rangeEntries_ = RangeListEntries(chip_);
  startSelection_ = FirstOf(startEntries_);
  rangeSelection_ = FirstOf(rangeEntries_);
}

}  // namespace quillon
