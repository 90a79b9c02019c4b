#include "image/image_file_dialog.h"

#include "image/sector_list.h"

namespace quillon {

void CImageFileDlg::Browse(std::string path) {
  fileName_ = std::move(path);
  ExchangeData();
}

bool CImageFileDlg::SelectStart(int index) {
  if (index < 0 || index >= static_cast<int>(startEntries_.size())) {
    return false;
  }
  startSelection_ = index;
  return true;
}

void CImageFileDlg::ExchangeData() {
  startEntries_ = SectorListEntries(chip_, withBlock1_);
  startSelection_ = startEntries_.empty() ? -1 : 0;
}

}  // namespace quillon
