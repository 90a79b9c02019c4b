#pragma once

#include "ui/image_file_dialog.h"

namespace quillon {

class CChipTypeDlg;
class OperatorDialogs;

// Which file to download and from which sector. Block 1 is offered only in external
// memory mode, where the target can reach it.
class CDownloadDlg : public CImageFileDlg {
 public:
  static constexpr std::string_view Title = "Download Hex or Binary File into Flash Memory";
  static constexpr int IdFileName = 1057;

  explicit CDownloadDlg(const CTargetChip& chip);
  bool DoModal(OperatorDialogs& dialogs);

  static bool OffersBlock1(const CChipTypeDlg& chip);
};

}  // namespace quillon
