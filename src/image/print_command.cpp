#include "image/chosen_start.h"
#include "image/print.h"
#include "protocol/command_checks.h"
#include "protocol/range_dialog.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

void CMainDlg::OnFilePrint(PrintBackEnd& printer) {
  BeginFlashCommand(*this);
  if (chip_ == nullptr || link_.ChipReleased) {
    window_.Inform(msg::NoFlashChip);
    return;
  }
  if (!chip_->CurrentBlockLegal()) {
    window_.Inform(msg::IllegalBlockNumber);
    return;
  }
  // Opens on the first sector and one sector's range: a quick look is the usual print.
  CRangeDlg dialog(*chip_, link_, window_);
  dialog.SetInitialStart(0);
  dialog.SetInitialRange(1);
  const bool chosen = dialog.DoModal(window_);
  SectorRange range{};
  if (chosen) {
    range = TakeChosenStart(*this, *chip_, dialog.GetChosenStart(), dialog.GetChosenRange());
  }
  window_.RedrawNow();
  if (!chosen) {
    return;
  }
  const auto sectorSize = static_cast<int>(chip_->SectorSize(range.block));
  const int result = PrintFlash(*chip_, printer, static_cast<int>(range.address), range.count * sectorSize, sectorSize);
  if (!link_.LinkLost) {
    window_.Inform(result == 0 ? msg::PrintCompleted : msg::PrintFailed);
  }
}

}  // namespace quillon
