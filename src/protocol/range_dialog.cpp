#include "protocol/range_dialog.h"

#include <cstdio>

#include "protocol/target_chip.h"
#include "transport/link_state.h"
#include "ui/messages.h"
#include "ui/operator.h"

namespace quillon {

namespace {

std::string SectorEntry(std::uint32_t sector, std::uint32_t address) {
  char text[32];
  std::snprintf(text, sizeof text, "Sector %03u    Addr=%04X", sector, address);
  return text;
}

std::string RangeEntry(std::uint32_t count) {
  if (count == 0) {
    return "All Sectors";
  }
  char text[24];
  std::snprintf(text, sizeof text, "%03u sectors", count);
  return text;
}

bool Listed(int index, const std::vector<std::string>& entries) {
  return index >= 0 && index < static_cast<int>(entries.size());
}

}  // namespace

CRangeDlg::CRangeDlg(const CTargetChip& chip, const LinkState& link, OperatorMessages& messages)
    : chip_(chip), link_(link), messages_(messages) {}

bool CRangeDlg::DoModal(OperatorDialogs& dialogs) {
  ExchangeData();
  if (!dialogs.RunRangeDialog(*this)) {
    return false;
  }
  chosenStart_ = startSelection_;
  chosenRange_ = rangeSelection_;
  ExchangeData();
  return true;
}

bool CRangeDlg::SelectStart(int index) {
  if (!Listed(index, startEntries_)) {
    return false;
  }
  startSelection_ = index;
  return true;
}

bool CRangeDlg::SelectRange(int index) {
  if (!Listed(index, rangeEntries_)) {
    return false;
  }
  rangeSelection_ = index;
  return true;
}

void CRangeDlg::ExchangeData() {
  FillStartList();
  FillRangeList();
}

void CRangeDlg::FillStartList() {
  startEntries_.clear();
  for (std::uint32_t i = 0; i < chip_.SectorCount(0); ++i) {
    startEntries_.push_back(SectorEntry(i, chip_.StartAddress(0) + i * chip_.SectorSize(0)));
  }
  if (link_.ReadAllBlocks || chip_.GetMemoryType() == MemoryExternal) {
    for (std::uint32_t i = 0; i < chip_.SectorCount(1); ++i) {
      startEntries_.push_back(SectorEntry(i, chip_.StartAddress(1) + i * chip_.SectorSize(1)));
    }
  }
  startSelection_ = Listed(initialStart_, startEntries_) ? initialStart_ : -1;
}

void CRangeDlg::FillRangeList() {
  if (!chip_.CurrentBlockLegal()) {
    messages_.Inform(msg::IllegalBlockNumber);
    return;
  }
  rangeEntries_.clear();
  for (std::uint32_t k = 0; k < chip_.SectorCount(chip_.GetCurrentBlock()); ++k) {
    rangeEntries_.push_back(RangeEntry(k));
  }
  rangeSelection_ = Listed(initialRange_, rangeEntries_) ? initialRange_ : -1;
}

}  // namespace quillon
