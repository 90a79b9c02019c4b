#pragma once

#include "ui/image_file_dialog.h"

namespace quillon {

class OperatorDialogs;

// Which file to compare and from which sector. Reading works in either memory mode, so
// block 1 is always offered.
class CCompareDlg : public CImageFileDlg {
 public:
  static constexpr std::string_view Title = "Compare Hex or Binary File with Flash Memroy";
  static constexpr int IdFileName = 1076;

  explicit CCompareDlg(const CTargetChip& chip) : CImageFileDlg(chip, true) {}
  bool DoModal(OperatorDialogs& dialogs);
};

}  // namespace quillon
