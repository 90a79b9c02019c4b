#pragma once

#include <functional>

#include "ui/operator.h"

namespace quillon {

// Answers each parameter dialog with a function the caller sets: a script in the tests,
// the command-line options in quillon-cli. A dialog without one is cancelled.
class DialogAnswers : public virtual OperatorDialogs {
 public:
  bool RunChipTypeDialog(CChipTypeDlg& dialog) override { return Run(onChipType, dialog); }
  bool RunRangeDialog(CRangeDlg& dialog) override { return Run(onRange, dialog); }
  bool RunDownloadDialog(CDownloadDlg& dialog) override { return Run(onDownload, dialog); }
  bool RunCompareDialog(CCompareDlg& dialog) override { return Run(onCompare, dialog); }
  bool RunSaveDialog(CSaveDlg& dialog) override { return Run(onSave, dialog); }
  bool RunLockDialog(CLockDlg& dialog) override { return Run(onLock, dialog); }
  bool RunRemapDialog(CRemapDlg& dialog) override { return Run(onRemap, dialog); }
  bool RunCommConfigDialog(CCommConfigDlg& dialog) override { return Run(onCommConfig, dialog); }

  std::function<bool(CChipTypeDlg&)> onChipType;
  std::function<bool(CRangeDlg&)> onRange;
  std::function<bool(CDownloadDlg&)> onDownload;
  std::function<bool(CCompareDlg&)> onCompare;
  std::function<bool(CSaveDlg&)> onSave;
  std::function<bool(CLockDlg&)> onLock;
  std::function<bool(CRemapDlg&)> onRemap;
  std::function<bool(CCommConfigDlg&)> onCommConfig;

 private:
  template <typename Dialog>
  static bool Run(const std::function<bool(Dialog&)>& answer, Dialog& dialog) {
    return answer ? answer(dialog) : false;
  }
};

}  // namespace quillon
