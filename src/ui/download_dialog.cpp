#include "ui/download_dialog.h"

#include "protocol/target_chip.h"
#include "ui/operator.h"

namespace quillon {

CDownloadDlg::CDownloadDlg(const CTargetChip& chip) : CImageFileDlg(chip, OffersBlock1(chip)) {}

bool CDownloadDlg::OffersBlock1(const CChipTypeDlg& chip) { return chip.GetMemoryType() == MemoryExternal; }

bool CDownloadDlg::DoModal(OperatorDialogs& dialogs) {
  return Modal([&] { return dialogs.RunDownloadDialog(*this); });
}

}  // namespace quillon
