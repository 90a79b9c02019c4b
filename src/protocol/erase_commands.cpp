#include "protocol/command_checks.h"
#include "protocol/range_dialog.h"
#include "protocol/sector_range.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

void CMainDlg::OnSectorErase() {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  CRangeDlg dialog(*chip, Link(), Window());
  const bool chosen = dialog.DoModal(Window());
  SectorRange range{};
  if (chosen) {
    range = ResolveSectorRange(*chip, dialog.GetChosenStart(), dialog.GetChosenRange());
    if (range.block == 1 && chip->GetMemoryType() != MemoryExternal) {
      Window().Inform(msg::Block1NotAvailable);
      return;
    }
    chip->SetCurrentBlock(range.block);
    Window().SelectBlockTab(range.block);
  }
  Window().RedrawNow();
  if (!chosen) {
    return;
  }
  const auto stride = static_cast<int>(chip->SectorSize(range.block));
  if (chip->Device().EraseSectors(static_cast<int>(range.address), stride, range.count) == 0) {
    Window().Inform(msg::SectorsEraseCompleted);
  } else if (Link().Queued()) {
    DropFailedQueuedLink(*this);
  } else {
    Window().Inform(msg::SectorEraseFailed);
  }
}

void CMainDlg::OnChipErase() {
  BeginFlashCommand(*this);
  CTargetChip* chip = ConfigurationCommandTarget(*this);
  if (chip == nullptr || RefusedInQueuedLink(*this)) {
    return;
  }
  if (Window().Ask(msg::ReallyProceed, Buttons::YesNo, Answer::No) != Answer::Yes) {
    return;
  }
  Window().Inform(chip->Device().ChipErase() == 0 ? msg::ChipEraseCompleted : msg::ChipEraseFailed);
}

}  // namespace quillon
