#include "ui/image_file_dialog.h"

#include "protocol/target_chip.h"

namespace quillon {

void CImageFileDlg::Browse(std::string path) {
  fileName_ = std::move(path);
  ExchangeData();
}

void CImageFileDlg::ExchangeData() { startList_.Fill(SectorListEntries(chip_, withBlock1_), 0); }

}  // namespace quillon
