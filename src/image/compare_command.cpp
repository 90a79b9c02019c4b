#include "image/chosen_start.h"
#include "image/compare.h"
#include "image/compare_dialog.h"
#include "image/formatted.h"
#include "image/image_texts.h"
#include "protocol/command_checks.h"
#include "ui/main_dlg.h"

namespace quillon {

void CMainDlg::OnCompare() {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  const std::string savedTitle = window_.Title();
  CCompareDlg dialog(*chip);
  const bool chosen = dialog.DoModal(window_);
  SectorRange range{};
  if (chosen) {
    range = TakeChosenStart(*this, *chip, dialog.GetChosenStart(), StartOnly);
  }
  window_.RedrawNow();
  if (!chosen) {
    window_.SetTitle(savedTitle);
    ShowChipInfo();
    return;
  }
  const std::string& path = dialog.GetFileName();
  window_.SetTitle(Formatted(msg::ComparingFormat, path.c_str(), range.address));
  int mismatchAddress = -1;
  int mismatchPair = 0;
  const int result = CompareFileWithFlash(*chip, path, range.block, static_cast<int>(range.address), mismatchAddress,
                                          mismatchPair, StagingFile(paths_.cacheDir));
  info_.IapStatus = CompareStatusText(path, result, mismatchAddress, mismatchPair);
  window_.SetTitle(savedTitle);
  ShowChipInfo();
}

}  // namespace quillon
