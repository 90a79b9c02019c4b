#include "image/chosen_start.h"
#include "image/save.h"
#include "image/save_dialog.h"
#include "protocol/command_checks.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

void CMainDlg::OnFileSave() {
  BeginFlashCommand(*this);
  if (chip_ == nullptr || link_.ChipReleased) {
    window_.Inform(msg::NoFlashChip);
    return;
  }
  CSaveDlg dialog(*chip_);
  if (dialog.DoModal(window_)) {
    const SectorRange range = TakeChosenStart(*this, *chip_, dialog.GetChosenStart(), dialog.GetChosenRange());
    const auto sectorSize = static_cast<int>(chip_->SectorSize(range.block));
    const int result = SaveFlashToFile(*chip_, dialog.GetFileName(), static_cast<int>(range.address),
                                       range.count * sectorSize, sectorSize, dialog.GetTextFormat());
    if (!link_.LinkLost) {
      window_.Inform(result == 0 ? msg::SaveCompleted : msg::SaveFailed);
    }
  }
  window_.RedrawNow();
}

}  // namespace quillon
